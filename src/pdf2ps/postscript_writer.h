// Writes the PostScript that the job importer's path parser reads: a real prolog of more than
// 6500 bytes (the parser starts looking for the page body at byte 6500), then every path in page
// space with only `m l c`, its colour as `c m y k k`/`K` and its dash as `[on off] 0 d`.
// Shared by orvex-pdf2ps and the sample-job generator so both speak exactly the same dialect.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace orvex::pdf2ps {

struct Cmyk {
  double c = 0;
  double m = 0;
  double y = 0;
  double k = 1;
};

struct PageBox {
  double x1 = 0;
  double y1 = 0;
  double x2 = 612;
  double y2 = 792;
};

// Where the text goes. Called with chunks of the output; the writer buffers in between.
using PostScriptSink = std::function<void(std::string_view)>;

// The parser skips everything before this byte; the prolog must reach past it with at least
// one whole token to spare, or the page body would be skipped too.
inline constexpr std::size_t kParserPrologSkip = 6500;
inline constexpr std::size_t kMinimumPrologBytes = 7200;

class PostScriptWriter {
 public:
  explicit PostScriptWriter(PostScriptSink sink);
  ~PostScriptWriter();
  PostScriptWriter(const PostScriptWriter&) = delete;
  PostScriptWriter& operator=(const PostScriptWriter&) = delete;

  // `encapsulated` makes an EPS header; `creator` and `title` go into the DSC comments.
  void BeginDocument(const PageBox& box, bool encapsulated, std::string_view creator,
                     std::string_view title);
  void EndDocument();

  void SetFillColor(const Cmyk& colour);
  void SetStrokeColor(const Cmyk& colour);
  // A dash of on/off lengths in points; both <= 0 (or not finite) means a solid stroke.
  void SetDash(double on, double off);
  void SetSolid();

  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
  void Fill(bool evenOdd);
  void Stroke();

  std::size_t BytesWritten() const { return written_ + buffer_.size(); }
  std::size_t PathsWritten() const { return paths_; }

 private:
  void Number(double value, int decimals);
  void Colour(const Cmyk& colour, char op);
  void Flush();
  void Reserve();

  PostScriptSink sink_;
  std::string buffer_;
  std::size_t written_ = 0;
  std::size_t paths_ = 0;
};

// Formats `value` with at most `decimals` decimals, no exponent, trailing zeros dropped, "-0"
// written as "0". Exposed for the tests.
std::string FormatNumber(double value, int decimals);

}  // namespace orvex::pdf2ps

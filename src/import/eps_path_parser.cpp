#include "import/eps_path_parser.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

#include "core/atomic_file.h"
#include "core/work_dir.h"
#include "import/byte_reader.h"
#include "import/flattening.h"
#include "import/number_text.h"

namespace orvex {
namespace {

constexpr double kPointsPerMm = 2.83465;
// A path whose end lies further than this from its start (in x or in y) is an open path.
constexpr double kClosedPathTolerance = 0.1;
// A path start followed by fewer bytes than this has no segment line.
constexpr std::int64_t kMinSegmentBytes = 8;
// The cut-path files count as written when they hold at least this many bytes.
constexpr std::int64_t kMinUsefulFileBytes = 8;
// How far back the dash test looks for the "[" of a dash array, and how many characters an
// array must span before its "d" to count as dashed.
constexpr std::int64_t kDashLookBack = 28;
constexpr std::int64_t kSolidArraySpan = 10;
// Dash lengths beyond this (points, about 350 m) are nonsense; clamping keeps the loader's
// arithmetic on them in range.
constexpr float kMaxDashPoints = 1.0e6F;
// Illustrator bodies are copied up to this many bytes before the end of the file.
constexpr std::int64_t kPreintTailBytes = 100;
constexpr std::size_t kLayerTokenCapacity = 101;  // tokens of at most 100 characters

// ---------------------------------------------------------------------------------------------
// An output file written under a temporary name in its destination's directory and renamed into
// place at the end, so a crash never leaves half a file under the real name. Buffered in memory;
// a byte already written can be overwritten (the path-start rewrites), also the byte just past
// the end, which then stays pending until the next write covers it or the file is finished.
class RewritableOutput {
 public:
  RewritableOutput() = default;
  ~RewritableOutput() { Discard(); }
  RewritableOutput(const RewritableOutput&) = delete;
  RewritableOutput& operator=(const RewritableOutput&) = delete;

  bool Create(const std::filesystem::path& destination) {
    static std::atomic<unsigned> counter{0};
    destination_ = destination;
    std::string name = ".";
    name += destination.filename().string();
    name += ".tmp.";
    name += std::to_string(::getpid());
    name += '.';
    name += std::to_string(counter++);
    temporary_ = destination.parent_path() / name;
    file_ = std::fopen(temporary_.c_str(), "w+b");
    if (file_ == nullptr) Fail();
    buffer_.clear();
    buffer_.reserve(kBufferSize + 512);
    flushed_ = 0;
    hasPending_ = false;
    failed_ = file_ == nullptr;
    return file_ != nullptr;
  }

  // The first write, sync or rename that failed, named by the destination's name.
  const FileFailure& Failure() const { return failure_; }

  std::int64_t Position() const { return flushed_ + static_cast<std::int64_t>(buffer_.size()); }
  std::int64_t Length() const { return Position() + (hasPending_ ? 1 : 0); }

  void Append(const char* bytes, std::size_t count) {
    hasPending_ = false;
    buffer_.append(bytes, count);
    if (buffer_.size() >= kBufferSize) Flush();
  }
  void Append(std::string_view text) { Append(text.data(), text.size()); }

  void Patch(std::int64_t position, char byte) {
    if (position < 0) return;
    std::int64_t end = Position();
    if (position == end) {
      pending_ = byte;
      hasPending_ = true;
    } else if (position > end) {
      return;
    } else if (position >= flushed_) {
      buffer_[static_cast<std::size_t>(position - flushed_)] = byte;
    } else if (file_ != nullptr) {
      if (::fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0 ||
          std::fputc(static_cast<unsigned char>(byte), file_) == EOF ||
          ::fseeko(file_, static_cast<off_t>(flushed_), SEEK_SET) != 0) {
        Fail();
      }
    }
  }

  // Writes what is buffered, syncs and closes the temporary; true when every write succeeded.
  // Synced before the rename like every other working file, so a power cut leaves the old file
  // or the whole new one.
  bool Close() {
    if (file_ == nullptr) return false;
    if (hasPending_) {
      buffer_.push_back(pending_);
      hasPending_ = false;
    }
    Flush();
    if (!failed_ && (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0)) Fail();
    if (std::fclose(file_) != 0) Fail();
    file_ = nullptr;
    return !failed_;
  }
  // Renames the closed temporary over the destination.
  bool Commit() {
    if (failed_ || temporary_.empty()) return false;
    std::error_code error;
    std::filesystem::rename(temporary_, destination_, error);
    if (error) {
      failed_ = true;
      failure_.Record(destination_, error.value());
      return false;
    }
    temporary_.clear();
    SyncParentDirectory(destination_);
    return true;
  }
  void Discard() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (!temporary_.empty()) {
      std::error_code ignored;
      std::filesystem::remove(temporary_, ignored);
      temporary_.clear();
    }
  }

 private:
  static constexpr std::size_t kBufferSize = 256 * 1024;

  void Fail() {
    failed_ = true;
    failure_.Record(destination_, errno);
  }

  void Flush() {
    if (buffer_.empty()) return;
    if (file_ == nullptr ||
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      Fail();
    }
    flushed_ += static_cast<std::int64_t>(buffer_.size());
    buffer_.clear();
  }

  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  std::int64_t flushed_ = 0;
  char pending_ = 0;
  bool hasPending_ = false;
  bool failed_ = false;
  FileFailure failure_;
};

// ---------------------------------------------------------------------------------------------
// The operator vocabulary; the index is the operator's number.
constexpr std::array<std::string_view, 40> kOperators = {"C",
                                                         "c",
                                                         "create_cmyk_color",
                                                         "k",
                                                         "L",
                                                         "l",
                                                         "M",
                                                         "m",
                                                         "T",
                                                         "x",
                                                         "@tm",
                                                         "B",
                                                         "(PANTONE",
                                                         "/_Swis721ThBT",
                                                         "FontChange:/_Swis721ThBT",
                                                         "z",
                                                         "e",
                                                         "%Bitmap",
                                                         "@BMP",
                                                         "@w",
                                                         "%%Trailer",
                                                         "o",
                                                         "@E",
                                                         "r",
                                                         "(Black)",
                                                         "G",
                                                         "Y",
                                                         "V",
                                                         "y",
                                                         "v",
                                                         "(CutContour)",
                                                         "Xd",
                                                         "%AI5_BeginLayer",
                                                         "%AI5_EndLayer--",
                                                         "endstream",
                                                         "d",
                                                         "K",
                                                         "cm",
                                                         "re",
                                                         ""};

// The comments an Illustrator file brackets each pattern swatch's definition with.
constexpr std::string_view kPatternStart = "%AI3_BeginPattern:";
constexpr std::string_view kPatternEnd = "%AI3_EndPattern";

int LookUpOperator(std::string_view token) {
  // Single letters are nearly every operator of a real body.
  if (token.size() == 1) {
    switch (token[0]) {
      case 'C':
        return 0;
      case 'c':
        return 1;
      case 'k':
        return 3;
      case 'L':
        return 4;
      case 'l':
        return 5;
      case 'M':
        return 6;
      case 'm':
        return 7;
      case 'T':
        return 8;
      case 'x':
        return 9;
      case 'B':
        return 11;
      case 'z':
        return 15;
      case 'e':
        return 16;
      case 'o':
        return 21;
      case 'r':
        return 23;
      case 'G':
        return 25;
      case 'Y':
        return 26;
      case 'V':
        return 27;
      case 'y':
        return 28;
      case 'v':
        return 29;
      case 'd':
        return 35;
      case 'K':
        return 36;
      default:
        return -1;
    }
  }
  for (int i = 0; i < 39; ++i) {
    std::string_view name = kOperators[static_cast<std::size_t>(i)];
    if (name.size() == token.size() && name[0] == token[0] && name == token) return i;
  }
  return -1;
}

struct Point {
  float x = 0.0F;
  float y = 0.0F;
  bool operator==(const Point&) const = default;
};

bool IsFinite(Point p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

int TruncatePoints(float value) {
  if (!(value == value)) return 0;
  if (value > kMaxDashPoints) value = kMaxDashPoints;
  if (value < -kMaxDashPoints) value = -kMaxDashPoints;
  return static_cast<int>(value);
}

// One parse: the state the parser keeps while it walks one graphic.
class Session {
 public:
  Session(ByteReader& input, RewritableOutput& psint, RewritableOutput& tpsint,
          ParseSummary& summary)
      : input_(input), psint_(psint), tpsint_(tpsint), summary_(summary) {}

  void SetCreatorKind(int kind) { creatorKind_ = kind; }
  bool WroteCutSegment() const { return cutSegments_ > 0; }

  void SkipProlog(int importKind) {
    input_.Seek(EpsPathParser::kPrologSkip);
    std::size_t length = 0;
    input_.ReadToken(token_, sizeof token_, length);
    for (;;) {
      ByteReader::TokenStatus status = input_.ReadToken(token_, sizeof token_, length);
      if (status == ByteReader::TokenStatus::kEnd) return;
      if (status != ByteReader::TokenStatus::kToken) continue;
      std::string_view token(token_, length);
      if (importKind != 3 && token == "%%EndProlog") return;
      if (token == "%%EndPageSetup") return;
    }
  }

  // An Illustrator pattern swatch: its tile's paths are drawn only as a fill pattern, far from
  // the artwork (the tile sits at the page origin), so they are no cuts and no part of the job's
  // extents.
  void SkipPatternDefinition() {
    for (;;) {
      std::size_t length = 0;
      ByteReader::TokenStatus status = input_.ReadToken(token_, sizeof token_, length);
      if (status == ByteReader::TokenStatus::kEnd) return;
      if (status == ByteReader::TokenStatus::kToken &&
          std::string_view(token_, length) == kPatternEnd) {
        return;
      }
    }
  }

  void DropToken() {
    std::size_t length = 0;
    input_.ReadToken(token_, sizeof token_, length);
  }

  void TokenLoop() {
    offset_ = Point{};
    stop_ = false;
    while (!stop_) {
      std::size_t length = 0;
      ByteReader::TokenStatus status = input_.ReadToken(token_, sizeof token_, length);
      if (status == ByteReader::TokenStatus::kEnd) break;
      if (status == ByteReader::TokenStatus::kTooLong) continue;
      const char* text = token_;
      if (text[0] == '[') {
        ++text;
        --length;
      }
      if (length == 0) continue;
      if ((text[0] >= '0' && text[0] <= '9') || text[0] == '-') {
        Push(static_cast<float>(LeadingNumber(text)));
        continue;
      }
      const std::string_view name(text, length);
      if (name == kPatternStart) {
        SkipPatternDefinition();
        continue;
      }
      int op = LookUpOperator(name);
      if (op >= 0) Execute(op);
    }
  }

 private:
  // --- operand stack ---------------------------------------------------------------------------
  void Push(float value) {
    ++top_;
    if (top_ >= EpsPathParser::kStackSlots) top_ = 0;
    stack_[static_cast<std::size_t>(top_)] = value;
  }
  // Operand `i` of an operator taking `count`; slots below the first wrap around to the last
  // ones, so an operator short of operands reads stale values but never outside the stack.
  float Operand(int count, int i) const {
    int index = (top_ - (count - 1) + i) % EpsPathParser::kStackSlots;
    if (index < 0) index += EpsPathParser::kStackSlots;
    return stack_[static_cast<std::size_t>(index)];
  }
  void Empty() { top_ = 0; }

  bool MatrixActive() const { return creatorKind_ == 4 || creatorKind_ == 5 || creatorKind_ == 11; }

  // --- operators -------------------------------------------------------------------------------
  void Execute(int op) {
    switch (op) {
      case 0:  // C
      case 1:  // c
        CurveTo(Point{Operand(6, 0), Operand(6, 1)}, Point{Operand(6, 2), Operand(6, 3)},
                Point{Operand(6, 4), Operand(6, 5)});
        Empty();
        break;
      case 2:   // create_cmyk_color
      case 3:   // k
      case 36:  // K
        Colour(Operand(4, 0), Operand(4, 1), Operand(4, 2), Operand(4, 3));
        Empty();
        break;
      case 4:  // L
      case 5:  // l
        LineTo(Point{Operand(2, 0), Operand(2, 1)});
        Empty();
        break;
      case 6:  // M
      case 7:  // m
        MoveTo(Point{Operand(2, 0), Operand(2, 1)});
        Empty();
        break;
      case 8:  // T
        offset_ = Point{};
        break;
      case 9:   // x
      case 12:  // (PANTONE
      case 19:  // @w
        Empty();
        break;
      case 10:  // @tm
      case 37:  // cm
        if (MatrixActive()) {
          offset_ = Point{Operand(6, 4), Operand(6, 5)};
          Empty();
        }
        break;
      case 20:  // %%Trailer
        ClosePath();
        stop_ = true;
        break;
      case 22:  // @E
        if (MatrixActive()) Empty();
        break;
      case 25:  // G
        specialState_ = 0;
        break;
      case 26:    // Y
      case 28: {  // y
        Point control1{Operand(4, 0), Operand(4, 1)};
        Point end{Operand(4, 2), Operand(4, 3)};
        CurveTo(control1, end, end);
        Empty();
        break;
      }
      case 27:    // V
      case 29: {  // v
        Point control2{Operand(4, 0), Operand(4, 1)};
        Point end{Operand(4, 2), Operand(4, 3)};
        CurveTo(current_, control2, end);
        Empty();
        break;
      }
      case 31:  // Xd
        SkipHiddenObject();
        break;
      case 32:  // %AI5_BeginLayer
        SkipHiddenLayer();
        break;
      case 34:  // endstream
        SkipStream();
        break;
      case 35:  // d
        DashTest();
        break;
      case 38:  // re
        Rectangle(Operand(4, 0), Operand(4, 1), Operand(4, 2), Operand(4, 3));
        break;
      default:
        break;  // vocabulary without effect on the output
    }
  }

  void Colour(float cyan, float magenta, float yellow, float black) {
    if (cyan == 0.0F && magenta == 1.0F && yellow == 0.0F && black == 0.0F) {
      specialState_ = 2;
      ++summary_.specialCount;
      summary_.dashOn = 1;
      summary_.dashOff = 1;
    } else {
      specialState_ = 0;
    }
  }

  // Reads tokens until one equals `wanted` (consumed) or the input ends.
  void SkipThrough(std::string_view wanted) {
    for (;;) {
      std::size_t length = 0;
      ByteReader::TokenStatus status = input_.ReadToken(token_, sizeof token_, length);
      if (status == ByteReader::TokenStatus::kEnd) return;
      if (status == ByteReader::TokenStatus::kToken && std::string_view(token_, length) == wanted) {
        return;
      }
    }
  }

  // "Xd": an object whose visibility flag is not 1 is skipped up to the next "1".
  void SkipHiddenObject() {
    std::size_t length = 0;
    ByteReader::TokenStatus status = input_.ReadToken(token_, sizeof token_, length);
    if (status == ByteReader::TokenStatus::kEnd) return;
    if (status == ByteReader::TokenStatus::kToken && std::string_view(token_, length) == "1") {
      return;
    }
    SkipThrough("1");
  }

  void SkipHiddenLayer() {
    std::size_t length = 0;
    ByteReader::TokenStatus status = input_.ReadToken(token_, sizeof token_, length);
    if (status == ByteReader::TokenStatus::kEnd) return;
    std::string_view flag(token_, status == ByteReader::TokenStatus::kToken ? length : 0);
    if (status == ByteReader::TokenStatus::kToken && (flag == "1" || flag == "%AI5_BeginLayer")) {
      return;
    }
    SkipThrough("%AI5_BeginLayer");
  }

  void SkipStream() {
    SkipThrough("obj");
    DropToken();
    DropToken();
  }

  // "d": decides from the characters of the dash array before it whether the stroke is dashed.
  // The read always resumes right after the "d", whatever the array's layout or line ends.
  void DashTest() {
    std::int64_t afterD = input_.Tell();
    input_.Seek(afterD > kDashLookBack ? afterD - kDashLookBack : 0);
    bool found = false;
    while (input_.Tell() < afterD) {
      int c = input_.Get();
      if (c == ByteReader::kEnd) break;
      if (c == '[') {
        found = true;
        break;
      }
    }
    if (found && afterD - input_.Tell() > kSolidArraySpan) {
      float on = 0.0F;
      if (ScanNumber(input_, on) && on > 0.0F) {
        ++summary_.specialCount;
        specialState_ = 1;
        float off = 0.0F;
        if (!ScanNumber(input_, off)) off = 0.0F;
        summary_.dashOn = TruncatePoints(on);
        summary_.dashOff = TruncatePoints(off);
      }
    } else if (specialState_ == 1) {
      specialState_ = 0;
    }
    input_.Seek(afterD);
  }

  void Rectangle(float x, float y, float w, float h) {
    Empty();
    if (x == 0.0F && y == 0.0F) return;
    // A filled rectangle repeated at the same place right after its "f" is drawn once.
    std::int64_t resume = input_.Tell();
    std::size_t length = 0;
    bool repeated = false;
    if (input_.ReadToken(token_, sizeof token_, length) == ByteReader::TokenStatus::kToken &&
        std::string_view(token_, length) == "f") {
      float nextX = 0.0F;
      float nextY = 0.0F;
      repeated = ScanNumber(input_, nextX) && ScanNumber(input_, nextY) && nextX == x && nextY == y;
    }
    input_.Seek(resume);
    if (repeated) return;
    offset_ = Point{};
    MoveTo(Point{x, y});
    LineTo(Point{x + w, y});
    LineTo(Point{x + w, y + h});
    LineTo(Point{x, y + h});
    LineTo(Point{x, y});
  }

  // --- output ----------------------------------------------------------------------------------
  RewritableOutput& Target() { return specialState_ != 0 ? tpsint_ : psint_; }
  bool TargetIsCut() const { return specialState_ == 0; }

  Point Convert(Point p) const {
    float x = p.x + offset_.x;
    float y = p.y + offset_.y;
    return Point{static_cast<float>(x / kPointsPerMm), static_cast<float>(y / kPointsPerMm)};
  }

  void Extend(Point p) {
    if (!IsFinite(p)) return;
    if (p.x < summary_.minX) summary_.minX = p.x;
    if (p.x > summary_.maxX) summary_.maxX = p.x;
    if (p.y < summary_.minY) summary_.minY = p.y;
    if (p.y > summary_.maxY) summary_.maxY = p.y;
  }
  bool OutsideBox(Point p) const {
    return p.x < summary_.minX || p.x > summary_.maxX || p.y < summary_.minY || p.y > summary_.maxY;
  }

  // Rewrites the start letter of the path that just ended in PSINT: "O" for an open path, a
  // blank for a start without segments.
  void ClosePath() {
    std::int64_t end = psint_.Position();
    if (end > 2) {
      if (static_cast<double>(std::fabs(last_.x - first_.x)) > kClosedPathTolerance ||
          static_cast<double>(std::fabs(last_.y - first_.y)) > kClosedPathTolerance) {
        psint_.Patch(pathStart_, 'O');
      }
      if (end - pathStart_ < kMinSegmentBytes) psint_.Patch(pathStart_, ' ');
    }
    pathStart_ = end;
    newPath_ = true;
    cutStartWritten_ = false;
  }

  void MoveTo(Point p) {
    ClosePath();
    Target().Append("M \n");
    if (TargetIsCut()) cutStartWritten_ = true;
    current_ = p;
  }

  // A segment reaching PSINT without a start line of its own (drawn before any moveto, or after
  // a moveto that went to TPSINT) gets one, so the start rewrite never lands on a segment line.
  void EnsureCutStart() {
    if (cutStartWritten_) return;
    psint_.Append("M \n");
    cutStartWritten_ = true;
  }

  void StartSegment(Point start) {
    if (newPath_) {
      first_ = start;
      newPath_ = false;
    }
  }

  void AppendNumbers(const Point* points, int count) {
    numbers_.assign(1, ' ');
    for (int i = 0; i < count; ++i) {
      AppendFixed2(numbers_, points[i].x);
      numbers_ += ' ';
      AppendFixed2(numbers_, points[i].y);
      numbers_ += ' ';
    }
    numbers_ += '\n';
    Target().Append(numbers_);
  }

  void WriteRecord(char letter, const Point* points, int count) {
    if (TargetIsCut()) {
      EnsureCutStart();
      ++cutSegments_;
    }
    char head = letter;
    Target().Append(&head, 1);
    AppendNumbers(points, count);
  }

  void LineTo(Point to) {
    Point start = Convert(current_);
    Point end = Convert(to);
    current_ = to;
    // Coordinates that overflow (or were written as inf/nan) cannot be cut; such a segment
    // never reaches the files or the bounding box.
    if (!IsFinite(start) || !IsFinite(end)) return;
    StartSegment(start);
    Extend(start);
    Extend(end);
    if (!TargetIsCut() || !(start == end)) {
      Point points[2] = {start, end};
      WriteRecord('L', points, 2);
    }
    last_ = end;
  }

  void CurveTo(Point control1, Point control2, Point to) {
    Point p0 = Convert(current_);
    Point p1 = Convert(control1);
    Point p2 = Convert(control2);
    Point p3 = Convert(to);
    current_ = to;
    if (!IsFinite(p0) || !IsFinite(p1) || !IsFinite(p2) || !IsFinite(p3)) return;
    StartSegment(p0);
    Extend(p0);
    Extend(p3);
    if (OutsideBox(p1) || OutsideBox(p2)) {
      // Power form, as the flattening evaluates it.
      float ax1 = 3.0F * (p1.x - p0.x);
      float ax2 = 3.0F * (p2.x - p1.x) - ax1;
      float ax3 = p3.x - p0.x - ax1 - ax2;
      float ay1 = 3.0F * (p1.y - p0.y);
      float ay2 = 3.0F * (p2.y - p1.y) - ay1;
      float ay3 = p3.y - p0.y - ay1 - ay2;
      for (float t = 0.125F; t < 1.0F; t += 0.125F) {
        Extend(Point{ax3 * t * t * t + ax2 * t * t + ax1 * t + p0.x,
                     ay3 * t * t * t + ay2 * t * t + ay1 * t + p0.y});
      }
    }
    bool degenerate = p0 == p3 && (p1 == p0 || p2 == p0);
    if (!TargetIsCut() || !degenerate) {
      Point points[4] = {p0, p3, p1, p2};
      WriteRecord('C', points, 4);
    }
    last_ = p3;
  }

  ByteReader& input_;
  RewritableOutput& psint_;
  RewritableOutput& tpsint_;
  ParseSummary& summary_;

  char token_[EpsPathParser::kTokenCapacity] = {};
  std::array<float, EpsPathParser::kStackSlots> stack_{};
  int top_ = -1;
  int creatorKind_ = 0;
  int specialState_ = 0;
  Point current_;
  Point offset_;
  Point first_;
  Point last_;
  std::int64_t pathStart_ = 0;
  bool newPath_ = true;
  bool cutStartWritten_ = false;
  bool stop_ = false;
  long cutSegments_ = 0;
  std::string numbers_;  // one record's numbers, kept to reuse its allocation
};

// ---------------------------------------------------------------------------------------------
// PREINT: the token stream of an Illustrator file's first visible layer onwards.
void CopyAfterStreamEnd(ByteReader& source, RewritableOutput& out, std::int64_t limit) {
  source.SeekRelative(-14);
  source.Get();
  if (source.Get() == '\n') out.Append(" \n");
  source.SeekRelative(20);
  while (source.Tell() < limit) {
    int c = source.Get();
    if (c == ByteReader::kEnd || c == 'm') break;
  }
  int c = source.Get();
  if (c == ' ' || c == ByteReader::kEnd) return;
  while (source.Tell() < limit) {
    c = source.Get();
    if (c == ByteReader::kEnd) return;
    char byte = static_cast<char>(c);
    out.Append(&byte, 1);
    if (c == ' ') return;
  }
}

void BuildPreint(ByteReader& source, RewritableOutput& out) {
  std::int64_t limit = source.Length() - kPreintTailBytes;
  if (limit <= 0) return;
  std::string token(EpsPathParser::kPreintTokenCapacity, '\0');
  std::size_t length = 0;

  // Phase 1: find the first visible layer.
  source.ReadTokenPiece(token.data(), kLayerTokenCapacity, length);
  std::string last(token.data(), length);
  if (last != "%AI5_BeginLayer") {
    while (source.Tell() < limit) {
      if (source.ReadTokenPiece(token.data(), kLayerTokenCapacity, length) ==
          ByteReader::TokenStatus::kEnd) {
        break;
      }
      source.SkipSpace();
      last.assign(token.data(), length);
      if (last == "%AI5_BeginLayer" && source.Get() == '1') break;
    }
  }
  if (last == "%%Trailer") return;

  // Phase 2: copy tokens up to and including "%%Trailer".
  while (source.Tell() < limit) {
    ByteReader::TokenStatus status = source.ReadToken(token.data(), token.size(), length);
    if (status == ByteReader::TokenStatus::kEnd) break;
    source.SkipSpace();
    if (status == ByteReader::TokenStatus::kTooLong) continue;
    std::string_view text(token.data(), length);
    if (text == "endstream") {
      CopyAfterStreamEnd(source, out, limit);
      continue;
    }
    out.Append(" ");
    out.Append(text);
    bool numeric = (text[0] >= '0' && text[0] <= '9') || text[0] == '-';
    if (!numeric) out.Append("\n");
    if (text == "%%Trailer") break;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
EpsPathParser::EpsPathParser(std::filesystem::path workDir) : workDir_(std::move(workDir)) {}

bool EpsPathParser::ParseEps(const std::filesystem::path& graphic, int importKind) {
  ByteReader input;
  if (!input.Open(graphic) || input.Length() == 0) {
    input.Close();
    input.Open(WorkDir(workDir_).File(workfile::kFallbackGraphic));
  }
  return ParseEpsFrom(input, importKind);
}

bool EpsPathParser::ParseEpsBytes(std::string_view graphic, int importKind) {
  if (graphic.empty()) {
    ByteReader fallback;
    fallback.Open(WorkDir(workDir_).File(workfile::kFallbackGraphic));
    return ParseEpsFrom(fallback, importKind);
  }
  ByteReader input(graphic);
  return ParseEpsFrom(input, importKind);
}

bool EpsPathParser::ParseEpsFrom(ByteReader& input, int importKind) {
  writeFailure_ = FileFailure{};
  return Run(input, importKind, false);
}

bool EpsPathParser::ParseAi(const std::filesystem::path& graphic) {
  ByteReader source;
  return ParseAiFrom(source.Open(graphic) ? &source : nullptr);
}

bool EpsPathParser::ParseAiBytes(std::string_view graphic) {
  ByteReader source(graphic);
  return ParseAiFrom(&source);
}

bool EpsPathParser::ParseAiFrom(ByteReader* source) {
  WorkDir dir(workDir_);
  writeFailure_ = FileFailure{};
  RewritableOutput preint;
  if (preint.Create(dir.File(workfile::kPreint))) {
    if (source != nullptr) BuildPreint(*source, preint);
    if (!(preint.Close() && preint.Commit())) preint.Discard();
  }
  // An Illustrator body that cannot be copied out is no body at all: the parse stops here
  // instead of reading a PREINT left from the previous job.
  if (preint.Failure().Failed()) {
    writeFailure_ = preint.Failure();
    return false;
  }
  ByteReader input;
  input.Open(dir.File(workfile::kPreint));
  return Run(input, 2, true);
}

bool EpsPathParser::Run(ByteReader& input, int importKind, bool illustrator) {
  summary_ = ParseSummary{};
  WorkDir dir(workDir_);
  RewritableOutput psint;
  RewritableOutput tpsint;
  // Whatever failed, the first failure is the one to report.
  auto failed = [&]() {
    if (!writeFailure_.Failed()) {
      writeFailure_ = psint.Failure().Failed() ? psint.Failure() : tpsint.Failure();
    }
    return false;
  };
  if (!psint.Create(dir.File(workfile::kPsint)) || !tpsint.Create(dir.File(workfile::kTpsint))) {
    return failed();
  }
  Session session(input, psint, tpsint, summary_);
  if (illustrator) {
    session.DropToken();
  } else {
    session.SetCreatorKind(11);
    session.SkipProlog(importKind);
  }
  session.TokenLoop();

  std::int64_t psintLength = psint.Length();
  std::int64_t tpsintLength = tpsint.Length();
  bool written = psint.Close();
  written = tpsint.Close() && written;
  if (!written) return failed();  // the previous files stay; nothing half-written replaces them
  if (tpsintLength < kMinUsefulFileBytes) {
    tpsint.Discard();
    std::error_code ignored;
    std::filesystem::remove(dir.File(workfile::kTpsint), ignored);
  } else if (!tpsint.Commit()) {
    return failed();
  }
  if (!psint.Commit()) return failed();
  // A PSINT of blanked path starts only holds no contour: that is a failed parse too.
  if (psintLength < kMinUsefulFileBytes || !session.WroteCutSegment()) return false;
  summary_.width = summary_.maxX - summary_.minX;
  summary_.height = summary_.maxY - summary_.minY;
  return true;
}

}  // namespace orvex

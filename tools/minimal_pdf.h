// A very small PDF writer: numbered objects, streams, a correct cross-reference table. Used by
// the sample-job generator, the converter's tests and its benchmark to make PDFs whose geometry
// they know exactly.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace orvex::tools {

class MinimalPdf {
 public:
  // Reserves an object number; its body is given later with SetObject.
  int Reserve() {
    objects_.emplace_back();
    return static_cast<int>(objects_.size());
  }
  int AddObject(std::string body) {
    objects_.push_back(std::move(body));
    return static_cast<int>(objects_.size());
  }
  void SetObject(int id, std::string body) { objects_.at(static_cast<std::size_t>(id - 1)) = std::move(body); }
  // `dictionaryEntries` without the << >> and without /Length.
  int AddStream(const std::string& dictionaryEntries, const std::string& data) {
    return AddObject("<< " + dictionaryEntries + " /Length " + std::to_string(data.size()) +
                     " >>\nstream\n" + data + "\nendstream");
  }

  // The whole file; `rootId` is the catalog, `trailerExtra` goes into the trailer dictionary.
  std::string Build(int rootId, const std::string& trailerExtra = "") const {
    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects_.size(); ++i) {
      offsets.push_back(out.size());
      out += std::to_string(i + 1) + " 0 obj\n" + objects_[i] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects_.size() + 1) + "\n0000000000 65535 f \n";
    char entry[32];
    for (std::size_t offset : offsets) {
      std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
      out += entry;
    }
    out += "trailer\n<< /Size " + std::to_string(objects_.size() + 1) + " /Root " +
           std::to_string(rootId) + " 0 R " + trailerExtra + " >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
  }

 private:
  std::vector<std::string> objects_;
};

// One page of `width` x `height` points drawn by `content`, with `resources` as the page's
// resource dictionary entries (may use objects already added to `pdf`).
inline std::string SinglePagePdf(MinimalPdf& pdf, const std::string& content, double width,
                                 double height, const std::string& resources = "") {
  const int catalog = pdf.Reserve();
  const int pages = pdf.Reserve();
  const int stream = pdf.AddStream("", content);
  char box[128];
  std::snprintf(box, sizeof box, "[0 0 %.3f %.3f]", width, height);
  const int page = pdf.AddObject("<< /Type /Page /Parent " + std::to_string(pages) +
                                 " 0 R /MediaBox " + box + " /Resources << " + resources +
                                 " >> /Contents " + std::to_string(stream) + " 0 R >>");
  pdf.SetObject(pages, "<< /Type /Pages /Kids [" + std::to_string(page) + " 0 R] /Count 1 >>");
  pdf.SetObject(catalog, "<< /Type /Catalog /Pages " + std::to_string(pages) + " 0 R >>");
  return pdf.Build(catalog);
}

}  // namespace orvex::tools

// The job preview as the loader draws it: a white surface, straight lines with one of two pens,
// and the mapping from job millimetres to preview pixels (y grows upwards, as in the graphic).
// The GUI draws into an off-screen image; orvex-cli draws into a PNG or, where nobody looks at the
// preview, into the null canvas; tests record the calls.
#pragma once

namespace orvex {

enum class PreviewPen { kCut, kSpecial };  // black; magenta (255, 0, 255)

struct PreviewRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

class PreviewCanvas {
 public:
  virtual ~PreviewCanvas() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The rectangle the job is scaled into (only its size matters).
  virtual PreviewRect Target() const = 0;

  // Paints `width` x `height` pixels from the top-left corner white.
  virtual void Clear(int width, int height) = 0;
  virtual void SelectPen(PreviewPen pen) = 0;
  virtual void MoveTo(int column, int row) = 0;
  virtual void LineTo(int column, int row) = 0;
};

// A preview nobody sees (a run on the simulated machine without a window): the loader's drawing
// goes nowhere, over a fixed size so the loader maps the job as it would onto a pane.
class NullPreviewCanvas : public PreviewCanvas {
 public:
  int Width() const override { return 420; }
  int Height() const override { return 310; }
  PreviewRect Target() const override { return {0, 0, 400, 300}; }
  void Clear(int /*width*/, int /*height*/) override {}
  void SelectPen(PreviewPen /*pen*/) override {}
  void MoveTo(int /*column*/, int /*row*/) override {}
  void LineTo(int /*column*/, int /*row*/) override {}
};

// Maps job points, already relative to the job's lower-left corner, onto the canvas. The extra
// 10 mm keeps the divisor positive for a job that is flat in one direction.
class PreviewMapping {
 public:
  PreviewMapping() = default;
  PreviewMapping(const PreviewCanvas& canvas, float jobWidth, float jobHeight);

  int Column(float x) const;
  int Row(float y) const;
  double Scale() const { return scale_; }

 private:
  double scale_ = 0.0;
  int height_ = 0;
};

}  // namespace orvex

// The job preview as the loader draws it: a white surface, straight lines with one of two pens,
// and the mapping from job millimetres to preview pixels (y grows upwards, as in the graphic).
// The GUI draws into an off-screen image; orvex-cli draws into a PNG; tests record the calls.
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

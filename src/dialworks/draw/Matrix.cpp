#include "dialworks/draw/Matrix.h"

#include <numbers>

namespace dw::gp {

namespace {
// a * b: apply a first, then b.
Matrix Product(const Matrix& a, const Matrix& b) {
  return Matrix(a.M11() * b.M11() + a.M12() * b.M21(), a.M11() * b.M12() + a.M12() * b.M22(),
                a.M21() * b.M11() + a.M22() * b.M21(), a.M21() * b.M12() + a.M22() * b.M22(),
                a.OffsetX() * b.M11() + a.OffsetY() * b.M21() + b.OffsetX(),
                a.OffsetX() * b.M12() + a.OffsetY() * b.M22() + b.OffsetY());
}
}  // namespace

void Matrix::GetElements(float* m) const {
  m[0] = m11_; m[1] = m12_; m[2] = m21_; m[3] = m22_; m[4] = dx_; m[5] = dy_;
}

void Matrix::Multiply(const Matrix& m, MatrixOrder order) {
  *this = order == MatrixOrderAppend ? Product(*this, m) : Product(m, *this);
}

void Matrix::Translate(float dx, float dy, MatrixOrder order) { Multiply(Matrix(1, 0, 0, 1, dx, dy), order); }

void Matrix::Scale(float sx, float sy, MatrixOrder order) { Multiply(Matrix(sx, 0, 0, sy, 0, 0), order); }

void Matrix::Rotate(float angle, MatrixOrder order) {
  double a = double(angle) * std::numbers::pi / 180.0;
  double c = std::cos(a), s = std::sin(a);
  // Exact values at the quarter turns keep axis-aligned drawings on whole pixels.
  if (std::fmod(double(angle), 90.0) == 0) { c = std::round(c); s = std::round(s); }
  Multiply(Matrix(float(c), float(s), float(-s), float(c), 0, 0), order);
}

void Matrix::RotateAt(float angle, PointF center, MatrixOrder order) {
  Matrix r;
  r.Translate(-center.X, -center.Y, MatrixOrderAppend);
  r.Rotate(angle, MatrixOrderAppend);
  r.Translate(center.X, center.Y, MatrixOrderAppend);
  Multiply(r, order);
}

void Matrix::Shear(float shx, float shy, MatrixOrder order) { Multiply(Matrix(1, shy, shx, 1, 0, 0), order); }

bool Matrix::IsFinite() const {
  return std::isfinite(m11_) && std::isfinite(m12_) && std::isfinite(m21_) && std::isfinite(m22_) &&
         std::isfinite(dx_) && std::isfinite(dy_);
}

bool Matrix::IsInvertible() const {
  double d = Determinant();
  return IsFinite() && std::isfinite(d) && std::fabs(d) > 1e-12;
}

bool Matrix::IsIdentity() const { return *this == Matrix(); }

bool Matrix::Invert() {
  if (!IsInvertible()) return false;
  double d = Determinant();
  double a = m22_ / d, b = -m12_ / d, c = -m21_ / d, e = m11_ / d;
  double x = -(dx_ * a + dy_ * c), y = -(dx_ * b + dy_ * e);
  // A tiny scale with a far offset can invert beyond float.
  const Matrix inverse{float(a), float(b), float(c), float(e), float(x), float(y)};
  if (!inverse.IsFinite()) return false;
  *this = inverse;
  return true;
}

void Matrix::TransformPoints(PointF* pts, int count) const {
  for (int i = 0; i < count; ++i) pts[i] = TransformPoint(pts[i]);
}

void Matrix::TransformVectors(PointF* pts, int count) const {
  for (int i = 0; i < count; ++i) pts[i] = TransformVector(pts[i]);
}

}  // namespace dw::gp

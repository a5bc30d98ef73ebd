// 2-D affine matrix with GDI+ conventions: points are row vectors, p' = p * M, so
//   x' = M11*x + M21*y + DX,  y' = M12*x + M22*y + DY.
// Prepend applies the new operation before the existing ones, Append after them.
#pragma once

#include <cmath>

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"

namespace dw::gp {

class DW_API Matrix {
 public:
  Matrix() = default;  // identity
  Matrix(float m11, float m12, float m21, float m22, float dx, float dy)
      : m11_(m11), m12_(m12), m21_(m21), m22_(m22), dx_(dx), dy_(dy) {}

  void Reset() { *this = Matrix(); }
  void SetElements(float m11, float m12, float m21, float m22, float dx, float dy) {
    *this = Matrix(m11, m12, m21, m22, dx, dy);
  }
  // m[0..5] = M11, M12, M21, M22, DX, DY.
  void GetElements(float* m) const;

  float M11() const { return m11_; }
  float M12() const { return m12_; }
  float M21() const { return m21_; }
  float M22() const { return m22_; }
  float OffsetX() const { return dx_; }
  float OffsetY() const { return dy_; }

  void Multiply(const Matrix& m, MatrixOrder order = MatrixOrderPrepend);
  void Translate(float dx, float dy, MatrixOrder order = MatrixOrderPrepend);
  void Scale(float sx, float sy, MatrixOrder order = MatrixOrderPrepend);
  // Degrees, clockwise on screen (y down).
  void Rotate(float angle, MatrixOrder order = MatrixOrderPrepend);
  void RotateAt(float angle, PointF center, MatrixOrder order = MatrixOrderPrepend);
  void Shear(float shx, float shy, MatrixOrder order = MatrixOrderPrepend);
  // Inverts in place; a singular or non-finite matrix is left unchanged and false returned.
  bool Invert();

  bool IsIdentity() const;
  bool IsInvertible() const;
  bool IsFinite() const;
  double Determinant() const { return double(m11_) * m22_ - double(m12_) * m21_; }
  // How much the matrix scales lengths on average (the square root of its area scale).
  float LengthScale() const { return std::sqrt(std::fabs(m11_ * m22_ - m12_ * m21_)); }

  PointF TransformPoint(PointF p) const {
    return {m11_ * p.X + m21_ * p.Y + dx_, m12_ * p.X + m22_ * p.Y + dy_};
  }
  void TransformPoints(PointF* pts, int count) const;
  // Vectors ignore the translation.
  PointF TransformVector(PointF v) const { return {m11_ * v.X + m21_ * v.Y, m12_ * v.X + m22_ * v.Y}; }
  void TransformVectors(PointF* pts, int count) const;

  bool operator==(const Matrix&) const = default;

 private:
  float m11_ = 1, m12_ = 0, m21_ = 0, m22_ = 1, dx_ = 0, dy_ = 0;
};

}  // namespace dw::gp

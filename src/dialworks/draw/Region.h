// Region: an area built from rectangles, ellipses, polygons and paths with union, intersection,
// exclusion and xor. Kept as a small tree of operations over paths, so point tests are exact and
// any Graphics can use it as a clip.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Path.h"

namespace dw::gp {

class DW_API Region {
 public:
  Region();  // infinite
  explicit Region(const RectF& rect);
  explicit Region(const GraphicsPath& path);
  Region(const Region& other);
  Region& operator=(const Region& other);
  Region(Region&&) noexcept;
  Region& operator=(Region&&) noexcept;
  ~Region();
  std::unique_ptr<Region> Clone() const { return std::make_unique<Region>(*this); }

  static Region FromEllipse(const RectF& rect);
  static Region FromPolygon(const PointF* pts, int count, FillMode mode = FillModeAlternate);
  static Region FromRoundRect(const RectF& rect, SizeF corner);

  void MakeInfinite();
  void MakeEmpty();
  void Intersect(const RectF& r) { Intersect(Region(r)); }
  void Intersect(const GraphicsPath& p) { Intersect(Region(p)); }
  void Intersect(const Region& r);
  void Union(const RectF& r) { Union(Region(r)); }
  void Union(const GraphicsPath& p) { Union(Region(p)); }
  void Union(const Region& r);
  // Removes r from this region.
  void Exclude(const RectF& r) { Exclude(Region(r)); }
  void Exclude(const GraphicsPath& p) { Exclude(Region(p)); }
  void Exclude(const Region& r);
  void Xor(const RectF& r) { Xor(Region(r)); }
  void Xor(const GraphicsPath& p) { Xor(Region(p)); }
  void Xor(const Region& r);
  // This region becomes r minus this region.
  void Complement(const Region& r);
  void Combine(const Region& r, CombineMode mode);

  void Translate(float dx, float dy);
  void Transform(const Matrix& m);

  bool IsVisible(PointF p) const;
  bool IsVisible(float x, float y) const { return IsVisible(PointF(x, y)); }
  bool IsInfinite() const;
  // True when the region is known to be empty (an empty leaf, or an intersection of disjoint bounds).
  bool IsEmpty() const;
  // Bounds containing the region (exact for single shapes, conservative for combinations); the
  // infinite region reports a very large rectangle.
  RectF GetBounds() const;
  // The pixels of the AWidth x AHeight grid at (0, 0) whose centres (x + 0.5, y + 0.5) IsVisible
  // takes in, a row at a time: ARow(y, runs) for every row from the top, runs the starts and ends
  // (exclusive) of the row's runs from the left. The outlines are flattened once for all rows.
  void ForEachPixelRow(int AWidth, int AHeight, const std::function<void(int, const std::vector<int>&)>& ARow) const;

  // The tree, for back ends. A leaf is a path (Infinite and Empty have no path).
  enum class Kind : uint8_t { Empty, Infinite, Path, Union, Intersect, Exclude, Xor };
  struct Node {
    Kind kind = Kind::Infinite;
    GraphicsPath path;
    std::unique_ptr<Node> a, b;
    std::unique_ptr<Node> Copy() const;
    // Same tree of the same paths (points, point types, fill modes).
    bool operator==(const Node& o) const;
  };
  const Node& Root() const { return *root_; }
  // The same tree of the same shapes (not merely the same area).
  bool operator==(const Region& o) const { return *root_ == *o.root_; }

  static constexpr float kInfiniteExtent = 4194304.0f;

 private:
  void Combine2(Kind k, const Region& r);
  std::unique_ptr<Node> root_;
};

}  // namespace dw::gp

#include "dialworks/draw/Region.h"

#include <algorithm>
#include <cmath>

namespace dw::gp {

namespace {

using Node = Region::Node;
using Kind = Region::Kind;

std::unique_ptr<Node> Leaf(Kind k) {
  auto n = std::make_unique<Node>();
  n->kind = k;
  return n;
}

std::unique_ptr<Node> PathLeaf(GraphicsPath path) {
  if (path.Empty()) return Leaf(Kind::Empty);
  auto n = Leaf(Kind::Path);
  n->path = std::move(path);
  return n;
}

bool Visible(const Node& n, PointF p) {
  switch (n.kind) {
    case Kind::Empty: return false;
    case Kind::Infinite: return true;
    case Kind::Path: return n.path.IsVisible(p);
    case Kind::Union: return Visible(*n.a, p) || Visible(*n.b, p);
    case Kind::Intersect: return Visible(*n.a, p) && Visible(*n.b, p);
    case Kind::Exclude: return Visible(*n.a, p) && !Visible(*n.b, p);
    case Kind::Xor: return Visible(*n.a, p) != Visible(*n.b, p);
  }
  return false;
}

const RectF kInfinite(-Region::kInfiniteExtent, -Region::kInfiniteExtent, 3 * Region::kInfiniteExtent,
                      3 * Region::kInfiniteExtent);

RectF Bounds(const Node& n) {
  switch (n.kind) {
    case Kind::Empty: return {};
    case Kind::Infinite: return kInfinite;
    case Kind::Path: return n.path.GetBounds();
    case Kind::Union:
    case Kind::Xor: return RectF::Union(Bounds(*n.a), Bounds(*n.b));
    case Kind::Intersect: return RectF::Intersect(Bounds(*n.a), Bounds(*n.b));
    case Kind::Exclude: return Bounds(*n.a);
  }
  return {};
}

void TransformNode(Node& n, const Matrix& m) {
  if (n.kind == Kind::Path) n.path.Transform(m);
  if (n.a) TransformNode(*n.a, m);
  if (n.b) TransformNode(*n.b, m);
}

// The tree with its paths flattened into edges once, for testing whole rows of pixel centres.
struct RowNode {
  Kind kind = Kind::Empty;
  bool winding = false;
  std::vector<std::pair<PointF, PointF>> edges;
  std::unique_ptr<RowNode> a, b;
};

std::unique_ptr<RowNode> RowTree(const Node& n) {
  auto r = std::make_unique<RowNode>();
  r->kind = n.kind;
  if (n.kind == Kind::Path) {
    r->winding = n.path.GetFillMode() == FillModeWinding;
    for (const auto& fig : n.path.FlattenedFigures(GraphicsPath::kHitFlatness)) {
      const auto& v = fig.Points;
      for (size_t i = 0; i < v.size(); ++i) r->edges.emplace_back(v[i], v[(i + 1) % v.size()]);
    }
  }
  if (n.a) r->a = RowTree(*n.a);
  if (n.b) r->b = RowTree(*n.b);
  return r;
}

// AInside[x]: whether IsVisible takes in (x + 0.5, y). The path's test, for all x at once: a
// crossing at cx counts for the points left of it, x + 0.5 < cx, which are the x below
// ceil(cx - 0.5) (exact in double); the counts of all crossings are summed along the row.
void Row(const RowNode& n, float y, std::vector<uint8_t>& AInside, std::vector<int>& ACount) {
  const int w = int(AInside.size());
  switch (n.kind) {
    case Kind::Empty: std::fill(AInside.begin(), AInside.end(), uint8_t(0)); return;
    case Kind::Infinite: std::fill(AInside.begin(), AInside.end(), uint8_t(1)); return;
    case Kind::Path: {
      ACount.assign(size_t(w) + 1, 0);
      for (const auto& [a, b] : n.edges) {
        if ((a.Y <= y) == (b.Y <= y)) continue;
        const double end = std::ceil(double(GraphicsPath::CrossingX(a, b, y)) - 0.5);
        if (!(end > 0)) continue;
        const int d = n.winding && b.Y <= a.Y ? -1 : 1;
        ACount[0] += d;
        ACount[end >= w ? size_t(w) : size_t(end)] -= d;
      }
      int s = 0;
      for (int x = 0; x < w; ++x) {
        s += ACount[size_t(x)];
        AInside[size_t(x)] = n.winding ? s != 0 : (s & 1) != 0;
      }
      return;
    }
    default: break;
  }
  Row(*n.a, y, AInside, ACount);
  std::vector<uint8_t> other(AInside.size());
  Row(*n.b, y, other, ACount);
  for (size_t x = 0; x < AInside.size(); ++x) {
    const bool p = AInside[x] != 0, q = other[x] != 0;
    switch (n.kind) {
      case Kind::Union: AInside[x] = p || q; break;
      case Kind::Intersect: AInside[x] = p && q; break;
      case Kind::Exclude: AInside[x] = p && !q; break;
      default: AInside[x] = p != q; break;
    }
  }
}

}  // namespace

std::unique_ptr<Node> Node::Copy() const {
  auto n = std::make_unique<Node>();
  n->kind = kind;
  n->path = path;
  if (a) n->a = a->Copy();
  if (b) n->b = b->Copy();
  return n;
}

bool Node::operator==(const Node& o) const {
  if (kind != o.kind) return false;
  if (kind == Kind::Path)
    return path.GetFillMode() == o.path.GetFillMode() && path.Points() == o.path.Points() &&
           path.Types() == o.path.Types();
  if (!a || !b || !o.a || !o.b) return !a == !o.a && !b == !o.b;
  return *a == *o.a && *b == *o.b;
}

Region::Region() : root_(Leaf(Kind::Infinite)) {}

Region::Region(const RectF& rect) {
  GraphicsPath p;
  p.AddRectangle(rect);
  root_ = PathLeaf(std::move(p));
}

Region::Region(const GraphicsPath& path) : root_(PathLeaf(path)) {}
Region::Region(const Region& other) : root_(other.root_->Copy()) {}
Region& Region::operator=(const Region& other) {
  if (this != &other) root_ = other.root_->Copy();
  return *this;
}
Region::Region(Region&& other) noexcept : root_(std::move(other.root_)) { other.root_ = Leaf(Kind::Empty); }
Region& Region::operator=(Region&& other) noexcept {
  if (this != &other) {
    root_ = std::move(other.root_);
    other.root_ = Leaf(Kind::Empty);
  }
  return *this;
}
Region::~Region() = default;

Region Region::FromEllipse(const RectF& rect) {
  GraphicsPath p;
  p.AddEllipse(rect);
  return Region(p);
}

Region Region::FromPolygon(const PointF* pts, int count, FillMode mode) {
  GraphicsPath p(mode);
  p.AddPolygon(pts, count);
  return Region(p);
}

Region Region::FromRoundRect(const RectF& rect, SizeF corner) {
  GraphicsPath p;
  p.AddRoundRectangle(rect, corner);
  return Region(p);
}

void Region::MakeInfinite() { root_ = Leaf(Kind::Infinite); }
void Region::MakeEmpty() { root_ = Leaf(Kind::Empty); }

void Region::Combine2(Kind k, const Region& r) {
  Kind mine = root_->kind, theirs = r.root_->kind;
  // Simplify the trivial cases so clips stay cheap.
  switch (k) {
    case Kind::Intersect:
      if (theirs == Kind::Infinite) return;
      if (mine == Kind::Infinite || theirs == Kind::Empty) { root_ = r.root_->Copy(); return; }
      if (mine == Kind::Empty) return;
      break;
    case Kind::Union:
      if (theirs == Kind::Empty || mine == Kind::Infinite) return;
      if (mine == Kind::Empty || theirs == Kind::Infinite) { root_ = r.root_->Copy(); return; }
      break;
    case Kind::Exclude:
      if (theirs == Kind::Empty || mine == Kind::Empty) return;
      if (theirs == Kind::Infinite) { MakeEmpty(); return; }
      break;
    case Kind::Xor:
      if (theirs == Kind::Empty) return;
      if (mine == Kind::Empty) { root_ = r.root_->Copy(); return; }
      break;
    default: break;
  }
  auto n = Leaf(k);
  n->a = std::move(root_);
  n->b = r.root_->Copy();
  root_ = std::move(n);
}

void Region::Intersect(const Region& r) { Combine2(Kind::Intersect, r); }
void Region::Union(const Region& r) { Combine2(Kind::Union, r); }
void Region::Exclude(const Region& r) { Combine2(Kind::Exclude, r); }
void Region::Xor(const Region& r) { Combine2(Kind::Xor, r); }

void Region::Complement(const Region& r) {
  Region result(r);
  result.Exclude(*this);
  *this = std::move(result);
}

void Region::Combine(const Region& r, CombineMode mode) {
  switch (mode) {
    case CombineModeReplace: *this = r; break;
    case CombineModeIntersect: Intersect(r); break;
    case CombineModeUnion: Union(r); break;
    case CombineModeXor: Xor(r); break;
    case CombineModeExclude: Exclude(r); break;
    case CombineModeComplement: Complement(r); break;
  }
}

void Region::Translate(float dx, float dy) { Transform(Matrix(1, 0, 0, 1, dx, dy)); }

void Region::Transform(const Matrix& m) {
  if (!m.IsFinite()) return;
  TransformNode(*root_, m);
}

bool Region::IsVisible(PointF p) const { return p.IsFinite() && Visible(*root_, p); }
bool Region::IsInfinite() const { return root_->kind == Kind::Infinite; }
bool Region::IsEmpty() const { return root_->kind == Kind::Empty || GetBounds().IsEmptyArea(); }
RectF Region::GetBounds() const { return Bounds(*root_); }

void Region::ForEachPixelRow(int AWidth, int AHeight,
                             const std::function<void(int, const std::vector<int>&)>& ARow) const {
  if (AWidth <= 0 || AHeight <= 0) return;
  const std::unique_ptr<RowNode> tree = RowTree(*root_);
  std::vector<uint8_t> inside(size_t(AWidth), 0);
  std::vector<int> count, runs;
  for (int y = 0; y < AHeight; ++y) {
    Row(*tree, float(y) + 0.5f, inside, count);
    runs.clear();
    for (int x = 0; x < AWidth;) {
      if (!inside[size_t(x)]) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < AWidth && inside[size_t(x)]) ++x;
      runs.push_back(start);
      runs.push_back(x);
    }
    ARow(y, runs);
  }
}

}  // namespace dw::gp

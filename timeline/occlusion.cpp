// The occlusion picture: for each pixel of the viewport, a depth that GL's depth buffer will not
// exceed there once the solids recorded so far are drawn, whatever their order. A solid counts at
// a pixel only where it surely covers the pixel's centre, so many small solids together hide what
// none of them hides alone. Both tests lean the safe way by margins larger than the differences
// between GL's arithmetic and ours: a recorded solid covers a little less than it does, at a depth
// a little farther, and a tested face reaches a little farther, at a depth a little nearer.
//
// Polygons are scanned row by row; one that fits in a block of BLOCK x BLOCK pixels, as most do,
// is scanned pixel by pixel over the whole block at once, which costs less than its rows would.
// A picture of a strip of columns works out every polygon over the whole viewport, as a picture of
// the whole would, and reads and writes only its own columns: each pixel it holds comes out the
// same, to the bit.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "timeline/occlusion.h"

// Pixels: GL snaps corners to 1/256 of a pixel and divides and scales them in its own rounding,
// which moves an edge by less than a hundredth of a pixel.
constexpr double EDGE_MARGIN = 1.0 / 64.0;
constexpr double POSITION_ERROR = 1.0 / 128.0;
// Normalised device depth: a few steps of a 24-bit depth buffer, which also covers the rounding
// of GL's interpolation across a face and of ours.
constexpr double DEPTH_MARGIN = 8e-6;
constexpr float NOTHING = std::numeric_limits<float>::infinity();

// Every pixel starts at NOTHING: nothing known there.
void occlusion_clear(OcclusionPicture& picture, int32_t width, int32_t height, int32_t left,
                     int32_t right) {
    picture.width = std::max(width, 0);
    picture.height = std::max(height, 0);
    picture.left = std::clamp(left, 0, picture.width);
    picture.right = std::clamp(right, picture.left, picture.width);
    picture.depth.assign(
        static_cast<size_t>(picture.right - picture.left) * static_cast<size_t>(picture.height),
        NOTHING);
}

// Where the picture holds the viewport's column `column` (within left to right - 1) of row `row`.
static size_t pixel_at(const OcclusionPicture& picture, int32_t column, int32_t row) {
    return static_cast<size_t>(row) * static_cast<size_t>(picture.right - picture.left) +
           static_cast<size_t>(column - picture.left);
}
static float& pixel(OcclusionPicture& picture, int32_t column, int32_t row) {
    return picture.depth[pixel_at(picture, column, row)];
}
static const float& pixel(const OcclusionPicture& picture, int32_t column, int32_t row) {
    return picture.depth[pixel_at(picture, column, row)];
}

// The pixels whose centres (k + 0.5) lie from low to high, within [0, count - 1]; none when
// first > last. Bounds far outside the viewport are clamped before they become integers, and
// bounds that are not numbers give none.
struct Span {
    int32_t first, last;
};
static Span centres_between(double low, double high, int32_t count) {
    if (!(low <= high)) return {0, -1};  // empty, or not a number
    low = std::clamp(low - 0.5, -1.0, static_cast<double>(count));
    high = std::clamp(high - 0.5, -1.0, static_cast<double>(count));
    int32_t first = static_cast<int32_t>(low), last = static_cast<int32_t>(high);
    first += first < low ? 1 : 0;  // rounding up and down, from the truncation
    last -= last > high ? 1 : 0;
    return {std::max(first, 0), std::min(last, count - 1)};
}

// The part of the span within the picture's columns.
static Span within(const OcclusionPicture& picture, Span span) {
    return {std::max(span.first, picture.left), std::min(span.last, picture.right - 1)};
}

// Whether points from x = low to x = high may reach a pixel centre of the picture's columns, with
// a margin of a pixel, larger than any of the outlines' margins.
static bool may_reach(const OcclusionPicture& picture, double low, double high) {
    return high >= picture.left - 1.0 && low <= picture.right + 1.0;
}

static bool corners_may_reach(const OcclusionPicture& picture, const WindowPoint* corners,
                              int32_t count) {
    double low = corners[0].x, high = low;
    for (int32_t k = 1; k < count; ++k) {
        low = std::min(low, static_cast<double>(corners[k].x));
        high = std::max(high, static_cast<double>(corners[k].x));
    }
    return may_reach(picture, low, high);
}

// ---- Outlines -----------------------------------------------------------------------------------
// A convex polygon ready for scanning, its edges moved by a margin: inwards (the centres it surely
// covers) or outwards (the centres it may reach). A point lies inside edge k where
// a (x - x0) + b (y - y0) >= reach, which keeps it margin from the edge's line. Along the row of
// centres y the polygon spans from the greatest of its left edges, c + d y, to the least of its
// right edges; edges along a row bound its rows instead.
struct Outline {
    int32_t count, lefts, rights;
    double a[WINDOW_POLYGON_MOST], b[WINDOW_POLYGON_MOST], reach[WINDOW_POLYGON_MOST];
    double x0[WINDOW_POLYGON_MOST], y0[WINDOW_POLYGON_MOST];
    double left_c[WINDOW_POLYGON_MOST], left_d[WINDOW_POLYGON_MOST];
    double right_c[WINDOW_POLYGON_MOST], right_d[WINDOW_POLYGON_MOST];
    Span rows, columns;
};

// Twice the signed area of the triangle (p, q, r): positive counter-clockwise.
static double turn(const WindowPoint& p, const WindowPoint& q, const WindowPoint& r) {
    return (static_cast<double>(q.x) - p.x) * (static_cast<double>(r.y) - p.y) -
           (static_cast<double>(r.x) - p.x) * (static_cast<double>(q.y) - p.y);
}

// False when the corners lie in a line, which covers no pixel centre. margin > 0 shrinks the
// outline, margin < 0 widens it; clockwise corners are walked the other way round.
static bool outline_set(const WindowPoint* corners, int32_t count, double margin, int32_t width,
                        int32_t height, Outline& o) {
    double area = 0.0;
    for (int32_t k = 1; k + 1 < count; ++k) area += turn(corners[0], corners[k], corners[k + 1]);
    if (!(std::fabs(area) > 0.0)) return false;
    double sense = area > 0.0 ? 1.0 : -1.0;
    double widen = std::max(-margin, 0.0);
    double left = corners[0].x, right = left, bottom = corners[0].y, top = bottom;
    for (int32_t k = 1; k < count; ++k) {
        left = std::min(left, static_cast<double>(corners[k].x));
        right = std::max(right, static_cast<double>(corners[k].x));
        bottom = std::min(bottom, static_cast<double>(corners[k].y));
        top = std::max(top, static_cast<double>(corners[k].y));
    }
    bottom -= widen;
    top += widen;
    o.count = count;
    o.lefts = o.rights = 0;
    for (int32_t k = 0; k < count; ++k) {
        const WindowPoint &from = corners[k], &to = corners[(k + 1) % count];
        double a = -sense * (static_cast<double>(to.y) - from.y);
        double b = sense * (static_cast<double>(to.x) - from.x);
        double reach = margin * (std::fabs(a) + std::fabs(b));
        o.a[k] = a, o.b[k] = b, o.reach[k] = reach, o.x0[k] = from.x, o.y0[k] = from.y;
        if (a > 0.0) {
            o.left_c[o.lefts] = from.x + (reach + b * from.y) / a;
            o.left_d[o.lefts++] = -b / a;
        } else if (a < 0.0) {
            o.right_c[o.rights] = from.x + (reach + b * from.y) / a;
            o.right_d[o.rights++] = -b / a;
        } else if (b > 0.0) {  // along a row, the polygon above it
            bottom = std::max(bottom, from.y + reach / b);
        } else if (b < 0.0) {  // along a row, the polygon below it
            top = std::min(top, from.y + reach / b);
        }
    }
    o.rows = centres_between(bottom, top, height);
    o.columns = centres_between(left - widen, right + widen, width);
    return true;
}

// The outline's pixels on one row.
static Span row_span(const Outline& o, int32_t row, int32_t width) {
    double y = row + 0.5, low = -1.0, high = static_cast<double>(width) + 1.0;
    for (int32_t k = 0; k < o.lefts; ++k) low = std::max(low, o.left_c[k] + o.left_d[k] * y);
    for (int32_t k = 0; k < o.rights; ++k) high = std::min(high, o.right_c[k] + o.right_d[k] * y);
    return centres_between(low, high, width);
}

// The convex hull of the points, counter-clockwise (a monotone chain); returns its corner count.
static int32_t hull(const WindowPoint* points, int32_t count, WindowPoint* out) {
    WindowPoint sorted[WINDOW_POLYGON_MOST];
    std::copy(points, points + count, sorted);
    std::sort(sorted, sorted + count, [](const WindowPoint& p, const WindowPoint& q) {
        return p.x < q.x || (p.x == q.x && p.y < q.y);
    });
    WindowPoint chain[2 * WINDOW_POLYGON_MOST];
    int32_t n = 0;
    for (int32_t k = 0; k < count; ++k) {  // lower chain
        while (n >= 2 && turn(chain[n - 2], chain[n - 1], sorted[k]) <= 0.0) --n;
        chain[n++] = sorted[k];
    }
    for (int32_t k = count - 2, lower = n + 1; k >= 0; --k) {  // upper chain
        while (n >= lower && turn(chain[n - 2], chain[n - 1], sorted[k]) <= 0.0) --n;
        chain[n++] = sorted[k];
    }
    n = std::max(n - 1, 0);  // the last point repeats the first
    std::copy(chain, chain + n, out);
    return n;
}

// ---- Planes -------------------------------------------------------------------------------------
// The depth over a face's plane, z0 + dz_dx (x - x0) + dz_dy (y - y0), held within [nearest,
// farthest] of the face's corners: GL's depth at a pixel the face covers lies within slack of
// that, however far GL's corners stand from ours and however its interpolation rounds.
struct Plane {
    double z0, x0, y0, dz_dx, dz_dy;
    float slack, nearest, farthest;
};

static Plane plane_of(const WindowPoint* corners, int32_t count) {
    Plane p{corners[0].z, corners[0].x, corners[0].y, 0.0, 0.0, 0.0f, corners[0].z, corners[0].z};
    double widest = 0.0;
    for (int32_t k = 0; k < count; ++k) {
        p.nearest = std::min(p.nearest, corners[k].z);
        p.farthest = std::max(p.farthest, corners[k].z);
    }
    // The widest of the triangles fanning out from the first corner.
    for (int32_t k = 1; k + 1 < count; ++k) {
        const WindowPoint &c0 = corners[0], &c1 = corners[k], &c2 = corners[k + 1];
        double area = turn(c0, c1, c2);
        if (!(std::fabs(area) > std::fabs(widest))) continue;
        widest = area;
        double x1 = static_cast<double>(c1.x) - c0.x, y1 = static_cast<double>(c1.y) - c0.y;
        double z1 = static_cast<double>(c1.z) - c0.z, x2 = static_cast<double>(c2.x) - c0.x;
        double y2 = static_cast<double>(c2.y) - c0.y, z2 = static_cast<double>(c2.z) - c0.z;
        p.dz_dx = (z1 * y2 - z2 * y1) / area;
        p.dz_dy = (x1 * z2 - x2 * z1) / area;
    }
    p.slack = static_cast<float>(DEPTH_MARGIN +
                                 (std::fabs(p.dz_dx) + std::fabs(p.dz_dy)) * POSITION_ERROR);
    return p;
}

// The plane at pixel (column, row), held within the face's depths. Written with plain
// comparisons so that loops over pixels become vector instructions.
static float plane_held(const Plane& p, float z) {
    z = p.nearest > z ? p.nearest : z;
    return p.farthest < z ? p.farthest : z;
}
static double plane_at(const Plane& p, int32_t column, int32_t row) {
    return p.z0 + p.dz_dx * (column + 0.5 - p.x0) + p.dz_dy * (row + 0.5 - p.y0);
}

// ---- Blocks -------------------------------------------------------------------------------------
// A polygon within BLOCK x BLOCK pixels from its lowest, leftmost pixel: which of the block's
// pixels it covers (inside[k] is 1 or 0, pixel k at ACROSS[k], UP[k] from the first), measured
// from the first pixel in double precision and across the block in single precision, which errs
// by far less than the margin.
constexpr int32_t BLOCK = 8;
constexpr int32_t BLOCK_PIXELS = BLOCK * BLOCK;
static constexpr std::array<float, BLOCK_PIXELS> ACROSS = [] {
    std::array<float, BLOCK_PIXELS> across{};
    for (int32_t k = 0; k < BLOCK_PIXELS; ++k) across[k] = static_cast<float>(k % BLOCK);
    return across;
}();
static constexpr std::array<float, BLOCK_PIXELS> UP = [] {
    std::array<float, BLOCK_PIXELS> up{};
    for (int32_t k = 0; k < BLOCK_PIXELS; ++k) up[k] = static_cast<float>(k / BLOCK);
    return up;
}();

static bool fits_block(const Outline& o) {
    return o.rows.last - o.rows.first < BLOCK && o.columns.last - o.columns.first < BLOCK;
}

static void block_cover(const Outline& o, float* inside) {
    double x = o.columns.first + 0.5, y = o.rows.first + 0.5;
    float columns = static_cast<float>(o.columns.last - o.columns.first);
    float rows = static_cast<float>(o.rows.last - o.rows.first);
    for (int32_t k = 0; k < BLOCK_PIXELS; ++k)
        inside[k] = ACROSS[k] <= columns && UP[k] <= rows ? 1.0f : 0.0f;
    for (int32_t e = 0; e < o.count; ++e) {
        float start =
            static_cast<float>(o.a[e] * (x - o.x0[e]) + o.b[e] * (y - o.y0[e]) - o.reach[e]);
        float a = static_cast<float>(o.a[e]), b = static_cast<float>(o.b[e]);
        for (int32_t k = 0; k < BLOCK_PIXELS; ++k)
            inside[k] = start + a * ACROSS[k] + b * UP[k] >= 0.0f ? inside[k] : 0.0f;
    }
}

// The plane held within the face's depths at each pixel of the outline's block, plus shift.
static void block_plane(const Outline& o, const Plane& p, float shift, float* z) {
    float start = static_cast<float>(plane_at(p, o.columns.first, o.rows.first));
    float across = static_cast<float>(p.dz_dx), up = static_cast<float>(p.dz_dy);
    for (int32_t k = 0; k < BLOCK_PIXELS; ++k)
        z[k] = plane_held(p, start + across * ACROSS[k] + up * UP[k]) + shift;
}

// ---- Recording and testing ----------------------------------------------------------------------
// A ray through a pixel enters a convex solid where it crosses the last of the planes of the faces
// turned towards the eye, so the farthest of those planes gives the solid's depth at every pixel of
// its silhouette. Held within its face's depths, a plane can only come out farther there (and a
// face turned slightly away, counted to be safe, farther still). A large solid records one depth
// for each row, the farthest it reaches along the row.
static void record_block(OcclusionPicture& picture, const Outline& o, const Plane* planes,
                         int32_t face_count) {
    float inside[BLOCK_PIXELS], z[BLOCK_PIXELS], each[BLOCK_PIXELS];
    block_cover(o, inside);
    for (int32_t f = 0; f < face_count; ++f) {
        block_plane(o, planes[f], planes[f].slack, f == 0 ? z : each);
        if (f == 0) continue;
        for (int32_t k = 0; k < BLOCK_PIXELS; ++k) z[k] = each[k] > z[k] ? each[k] : z[k];
    }
    Span columns = within(picture, o.columns);
    for (int32_t row = o.rows.first; row <= o.rows.last; ++row) {
        float* line = &pixel(picture, columns.first, row);
        int32_t at = (row - o.rows.first) * BLOCK + (columns.first - o.columns.first);
        for (int32_t k = 0; k <= columns.last - columns.first; ++k) {
            float covered = inside[at + k] > 0.0f ? z[at + k] : NOTHING;
            line[k] = covered < line[k] ? covered : line[k];
        }
    }
}

static void record_rows(OcclusionPicture& picture, const Outline& o, const Plane* planes,
                        int32_t face_count) {
    for (int32_t row = o.rows.first; row <= o.rows.last; ++row) {
        Span span = row_span(o, row, picture.width), held = within(picture, span);
        if (held.first > held.last) continue;
        float z = -NOTHING;
        for (int32_t f = 0; f < face_count; ++f) {
            const Plane& p = planes[f];
            float from = static_cast<float>(plane_at(p, span.first, row));
            float to = static_cast<float>(plane_at(p, span.last, row));
            z = std::max({z, plane_held(p, from) + p.slack, plane_held(p, to) + p.slack});
        }
        float* line = &pixel(picture, held.first, row);
        for (int32_t k = 0; k <= held.last - held.first; ++k) line[k] = z < line[k] ? z : line[k];
    }
}

// A solid more than LARGEST pixels across is not recorded: the nearest cubes are that large, and
// they seldom hide a whole face of another; leaving them out of the bands' picture keeps 99 % of
// the faces it hides and takes an eighth off the time it costs.
constexpr int32_t LARGEST = 64;

void occlusion_draw_solid(OcclusionPicture& picture, const WindowPoint* corners,
                          int32_t corner_count, const WindowPolygon* faces, int32_t face_count) {
    if (corner_count < 3 || corner_count > WINDOW_POLYGON_MOST || face_count < 1 ||
        face_count > WINDOW_POLYGON_MOST)
        return;
    if (!corners_may_reach(picture, corners, corner_count)) return;
    WindowPoint silhouette[WINDOW_POLYGON_MOST];
    Outline outline;
    if (!outline_set(silhouette, hull(corners, corner_count, silhouette), EDGE_MARGIN,
                     picture.width, picture.height, outline))
        return;
    if (outline.rows.first > outline.rows.last || outline.columns.first > outline.columns.last)
        return;
    if (outline.rows.last - outline.rows.first >= LARGEST ||
        outline.columns.last - outline.columns.first >= LARGEST)
        return;
    Span columns = within(picture, outline.columns);
    if (columns.first > columns.last) return;
    Plane planes[WINDOW_POLYGON_MOST];
    for (int32_t f = 0; f < face_count; ++f)
        planes[f] = plane_of(faces[f].corner, std::clamp(faces[f].count, 1, WINDOW_POLYGON_MOST));
    if (fits_block(outline)) {
        record_block(picture, outline, planes, face_count);
    } else {
        record_rows(picture, outline, planes, face_count);
    }
}

// A large face is tested row by row against its nearest along each row.
static bool hidden_rows(const OcclusionPicture& picture, const Outline& o, const Plane& p) {
    for (int32_t row = o.rows.first; row <= o.rows.last; ++row) {
        Span span = row_span(o, row, picture.width), held_span = within(picture, span);
        if (held_span.first > held_span.last) continue;
        float from = plane_held(p, static_cast<float>(plane_at(p, span.first, row)));
        float to = plane_held(p, static_cast<float>(plane_at(p, span.last, row)));
        float low = std::min(from, to) - p.slack, held = -NOTHING;
        const float* line = &pixel(picture, held_span.first, row);
        for (int32_t k = 0; k <= held_span.last - held_span.first; ++k)
            held = line[k] > held ? line[k] : held;
        if (!(held < low)) return false;
    }
    return true;
}

// Pixels outside the picture's columns count as hidden here: the pictures of the other columns
// decide them.
static bool hidden_block(const OcclusionPicture& picture, const Outline& o, const Plane& p) {
    float inside[BLOCK_PIXELS], low[BLOCK_PIXELS], held[BLOCK_PIXELS];
    block_cover(o, inside);
    block_plane(o, p, -p.slack, low);
    Span columns = within(picture, o.columns);
    for (int32_t row = o.rows.first; row <= o.rows.last; ++row) {
        const float* line = &pixel(picture, columns.first, row);
        int32_t at = (row - o.rows.first) * BLOCK;
        for (int32_t k = 0; k < BLOCK; ++k) held[at + k] = -NOTHING;
        at += columns.first - o.columns.first;
        for (int32_t k = 0; k <= columns.last - columns.first; ++k) held[at + k] = line[k];
    }
    for (int32_t row = o.rows.last - o.rows.first + 1; row < BLOCK; ++row) {
        for (int32_t k = 0; k < BLOCK; ++k) held[row * BLOCK + k] = -NOTHING;
    }
    float shows = 0.0f;
    for (int32_t k = 0; k < BLOCK_PIXELS; ++k)
        shows = std::max(shows, held[k] < low[k] ? 0.0f : inside[k]);
    return shows == 0.0f;
}

// Whether the pixel under the middle of the polygon shows it for sure: the polygon may cover the
// pixel's centre, and what the pixel holds lies beyond the polygon's farthest corner. This look
// costs far less than a scan; it settles most of the faces that show in the sparser scenes, and
// one in six in the bands, where most faces that show are partly hidden.
static bool shows_in_middle(const OcclusionPicture& picture, const WindowPoint* corners,
                            int32_t count) {
    double x = 0.0, y = 0.0, area = 0.0;
    float farthest = corners[0].z;
    for (int32_t k = 0; k < count; ++k) {
        x += corners[k].x;
        y += corners[k].y;
        farthest = std::max(farthest, corners[k].z);
        if (k + 2 < count) area += turn(corners[0], corners[k + 1], corners[k + 2]);
    }
    x = std::floor(x / count) + 0.5;
    y = std::floor(y / count) + 0.5;
    if (!(x > picture.left && x < picture.right && y > 0.0 && y < picture.height)) return false;
    double sense = area > 0.0 ? 1.0 : -1.0;
    for (int32_t k = 0; k < count; ++k) {
        const WindowPoint &from = corners[k], &to = corners[(k + 1) % count];
        double a = -sense * (static_cast<double>(to.y) - from.y);
        double b = sense * (static_cast<double>(to.x) - from.x);
        if (a * (x - from.x) + b * (y - from.y) < -EDGE_MARGIN * (std::fabs(a) + std::fabs(b)))
            return false;
    }
    return !(pixel(picture, static_cast<int32_t>(x), static_cast<int32_t>(y)) <= farthest);
}

bool occlusion_hidden(const OcclusionPicture& picture, const WindowPoint* corners, int32_t count) {
    if (count < 3 || count > WINDOW_POLYGON_MOST) return false;
    if (!corners_may_reach(picture, corners, count)) return true;  // outside the columns
    if (shows_in_middle(picture, corners, count)) return false;
    Outline reach;
    if (!outline_set(corners, count, -EDGE_MARGIN, picture.width, picture.height, reach))
        return true;  // covers no centre
    Span columns = within(picture, reach.columns);
    if (reach.rows.first > reach.rows.last || columns.first > columns.last)
        return true;  // outside the viewport or the columns
    Plane p = plane_of(corners, count);
    return fits_block(reach) ? hidden_block(picture, reach, p) : hidden_rows(picture, reach, p);
}

// The scenes' unit cubes handed to GL: one at a time through the matrix stack, or every cube of a
// scene at once from one vertex array. The batch draws the pictures of the per-cube path: it forms
// each cube's matrix as glTranslatef and glRotatef do and carries every corner into clip space as
// GL does (the projection times the modelview, then that times the corner), so each window
// position and depth is the one GL computes for the cube drawn alone, to the last bit. Where two
// cubes' faces meet at nearly equal depths, the same cube wins as on the per-cube path. The batch
// lights and fogs the corners itself, as GL's fixed pipeline would (to within a level), since GL
// sees only clip coordinates. The cubes go to GL in the order they were added, so where two have
// the same depth the first wins, as on the per-cube path.
//
// The batch leaves out what cannot reach the screen, which on a software rasteriser is most of the
// work: faces turned away from the eye, cubes outside the view, cubes standing exactly where an
// earlier one stands, and faces that nearer cubes hide at every pixel, found with an occlusion
// picture of the cubes kept so far (timeline/occlusion.cpp), nearest first.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "timeline/occlusion.h"
#include "timeline/timeline.h"

static CubeDrawing drawing_from_environment() {
    const char* chosen = std::getenv("QUADRISE_DRAW");
    return chosen != nullptr && std::strcmp(chosen, "immediate") == 0 ? CUBES_IMMEDIATE
                                                                      : CUBES_BATCHED;
}

CubeDrawing cube_drawing = drawing_from_environment();

// The unit cube: edge 1 about the origin, six faces with outward normals along axis `axis` with
// sign `sign`, each face drawn as the triangles (0, 1, 2) and (0, 2, 3) of its corners,
// counter-clockwise seen from outside. Faces, corners and triangles keep the order of the solid
// cube the scenes were first drawn with, so the lighting, the depth and every rasterised pixel
// stay the same.
struct CubeFace {
    int32_t axis;
    float sign;
    float corner[4][3];
};
constexpr float E = 0.5f;
static constexpr CubeFace unit_cube[6] = {
    {2, 1.0f, {{E, E, E}, {-E, E, E}, {-E, -E, E}, {E, -E, E}}},
    {0, 1.0f, {{E, E, E}, {E, -E, E}, {E, -E, -E}, {E, E, -E}}},
    {1, 1.0f, {{E, E, E}, {E, E, -E}, {-E, E, -E}, {-E, E, E}}},
    {0, -1.0f, {{-E, E, E}, {-E, E, -E}, {-E, -E, -E}, {-E, -E, E}}},
    {1, -1.0f, {{-E, -E, -E}, {E, -E, -E}, {E, -E, E}, {-E, -E, E}}},
    {2, -1.0f, {{E, -E, -E}, {-E, -E, -E}, {-E, E, -E}, {E, E, -E}}},
};
static constexpr int32_t FACE_TRIANGLES[6] = {0, 1, 2, 0, 2, 3};
// Half the cube's diagonal: no corner lies farther from its centre.
constexpr float CUBE_RADIUS = 0.8660254f;

static void solid_cube() {
    glBegin(GL_TRIANGLES);
    for (const CubeFace& face : unit_cube) {
        float normal[3] = {0.0f, 0.0f, 0.0f};
        normal[face.axis] = face.sign;
        glNormal3fv(normal);
        for (int32_t corner : FACE_TRIANGLES) glVertex3fv(face.corner[corner]);
    }
    glEnd();
}

// ---- The batch --------------------------------------------------------------------------------
// A cube's own matrix, column-major as GL keeps it: the frame's matrix times its translation and
// rotation, so column k (k < 3) is the eye-space direction of the cube's axis k and column 3 its
// centre.
struct BatchedCube {
    float m[16];
    float colour[3];
    // Once the cube is found in view: the projection times m; its corners in the window, when
    // all lie within GL's depth range (else it is drawn whole); the faces that may face the eye,
    // and of those, the ones that go to GL (bit f for unit_cube[f]).
    float clip_matrix[16];
    bool in_window;
    WindowPoint window[8];
    uint32_t facing, faces;
};

// A corner as GL receives it: in clip space, lit and fogged.
struct BatchVertex {
    float position[4];
    float colour[3];
};

static float frame_matrix[16];  // the modelview the cubes stand in, read by cubes_begin
static std::vector<BatchedCube> batch;
static std::vector<uint32_t> order;  // indices into batch: in view, then shown
static std::vector<BatchVertex> vertices;
static std::vector<uint32_t> indices;
static float last_colour[3];  // the current colour the per-cube path leaves behind
int32_t cubes_sent = 0;
int32_t cube_triangles_sent = 0;

void cubes_begin() {
    if (cube_drawing == CUBES_BATCHED) glGetFloatv(GL_MODELVIEW_MATRIX, frame_matrix);
}

// m = frame * translate(x, y, z), computed as glTranslatef does.
static void translated(const float* frame, float x, float y, float z, float* m) {
    std::memcpy(m, frame, 12 * sizeof(float));
    for (int r = 0; r < 4; ++r)
        m[12 + r] = frame[r] * x + frame[4 + r] * y + frame[8 + r] * z + frame[12 + r];
}

// m = m * rotate(degrees about y), as glRotatef(degrees, 0, 1, 0) does. GL turns the angle into
// radians in single precision before taking its sine and cosine: at the show's large angles that
// moves a quarter turn off by some 1e-6, enough to tilt faces that would lie in one plane, and
// the tilt decides which of two such faces shows. A scene turns all its cubes by one angle, so the
// sine and cosine are kept for the next cube.
static void rotated_about_y(float degrees, float* m) {
    static float last_degrees = 0.0f, s = 0.0f, c = 1.0f;
    if (degrees != last_degrees) {
        float radians = static_cast<float>(static_cast<double>(degrees) * M_PI / 180.0);
        s = std::sin(radians);
        c = std::cos(radians);
        last_degrees = degrees;
    }
    for (int r = 0; r < 4; ++r) {
        float x = m[r], z = m[8 + r];
        m[r] = x * c - z * s;
        m[8 + r] = x * s + z * c;
    }
}

void cube_add(float x, float y, float z, bool spin, float degrees, const float* colour) {
    std::memcpy(last_colour, colour, sizeof last_colour);
    if (cube_drawing == CUBES_IMMEDIATE) {
        glPushMatrix();
        glColor3fv(colour);
        glTranslatef(x, y, z);
        if (spin) glRotatef(degrees, 0.0f, 1.0f, 0.0f);
        solid_cube();
        glPopMatrix();
        return;
    }
    BatchedCube cube;
    translated(frame_matrix, x, y, z, cube.m);
    if (spin) rotated_about_y(degrees, cube.m);
    // A cube exactly where the last one stands has the same depth at every pixel, so the depth
    // test hides all of it: the trail piles thousands of cubes on one point.
    if (!batch.empty() && std::memcmp(batch.back().m, cube.m, sizeof cube.m) == 0) return;
    std::memcpy(cube.colour, colour, sizeof cube.colour);
    batch.push_back(cube);
}

// ---- The view, the light and the fog ----------------------------------------------------------
static float projection[16];
// The planes of the view volume in eye space (a, b, c, d with a*x + b*y + c*z + d >= 0 inside,
// (a, b, c) of unit length), from the projection's rows.
static float view_planes[6][4];

static int32_t viewport[4];

static void view_read() {
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (int k = 0; k < 6; ++k) {
        int row = k / 2;
        float sign = k % 2 == 0 ? 1.0f : -1.0f;
        float length = 0.0f;
        for (int c = 0; c < 4; ++c) {
            view_planes[k][c] = projection[4 * c + 3] + sign * projection[4 * c + row];
            if (c < 3) length += view_planes[k][c] * view_planes[k][c];
        }
        length = std::sqrt(length);
        for (int c = 0; c < 4; ++c) view_planes[k][c] /= length;
    }
}

static bool in_view(const float* m) {
    for (const float* q : view_planes) {
        // A little beyond the radius, so rounding never drops a cube that shows a pixel.
        if (q[0] * m[12] + q[1] * m[13] + q[2] * m[14] + q[3] < -1.01f * CUBE_RADIUS) return false;
    }
    return true;
}

// What GL's lighting makes of a corner: the scene's lighting is one positional light with
// ambient and diffuse parts (no specular material, no attenuation, no spot), and the colour is the
// material's ambient and diffuse colour; the fog, when on, is exponential in the eye's depth.
static float light_position[4];
static float light_ambient[3];  // the light model's ambient plus the light's own
static float light_diffuse[4];
static bool fog_on;
static float fog_density;
static float fog_colour[4];

static void lighting_read() {
    float model_ambient[4], ambient[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, model_ambient);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    for (int c = 0; c < 3; ++c) light_ambient[c] = model_ambient[c] + ambient[c];
    glGetLightfv(GL_LIGHT0, GL_POSITION, light_position);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, light_diffuse);
    fog_on = glIsEnabled(GL_FOG);
    glGetFloatv(GL_FOG_DENSITY, &fog_density);
    glGetFloatv(GL_FOG_COLOR, fog_colour);
}

// The colour of a face's corner at eye-space position `eye` with outward unit normal `normal`.
static void shade(const float* eye, const float* normal, const float* colour, float* out) {
    float to_light[3], length = 0.0f, facing = 0.0f;
    for (int r = 0; r < 3; ++r) {
        to_light[r] = light_position[r] - eye[r] * light_position[3];
        length += to_light[r] * to_light[r];
    }
    for (int r = 0; r < 3; ++r) facing += normal[r] * to_light[r];
    float diffuse = std::max(facing / std::sqrt(length), 0.0f);
    float fog = fog_on ? std::min(std::exp(-fog_density * std::fabs(eye[2])), 1.0f) : 1.0f;
    for (int c = 0; c < 3; ++c) {
        float lit = colour[c] * light_ambient[c] + colour[c] * light_diffuse[c] * diffuse;
        lit = std::clamp(lit, 0.0f, 1.0f);
        out[c] = fog * lit + (1.0f - fog) * fog_colour[c];
    }
}

// ---- Corners into clip space ------------------------------------------------------------------
// p = a * b for column-major 4x4 matrices, each element summed left to right as GL sums the
// product of its projection and modelview.
static void multiply(const float* a, const float* b, float* p) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            p[4 * j + i] = a[i] * b[4 * j] + a[4 + i] * b[4 * j + 1] + a[8 + i] * b[4 * j + 2] +
                           a[12 + i] * b[4 * j + 3];
        }
    }
}

// out = m * (corner, 1) in `rows` rows, summed as GL's vertex stage sums it.
static void transform(const float* m, const float* corner, int rows, float* out) {
    for (int r = 0; r < rows; ++r)
        out[r] = m[r] * corner[0] + m[4 + r] * corner[1] + m[8 + r] * corner[2] + m[12 + r];
}

// ---- Leaving out what cannot show ---------------------------------------------------------------
// Corner k of the cube lies at +E along axis a where bit a of k is set, at -E where it is clear.
static constexpr int32_t corner_index(const float* corner) {
    return (corner[0] > 0.0f ? 1 : 0) | (corner[1] > 0.0f ? 2 : 0) | (corner[2] > 0.0f ? 4 : 0);
}
struct FaceCorners {
    int32_t k[4];
};
static constexpr std::array<FaceCorners, 6> face_corners = [] {
    std::array<FaceCorners, 6> faces{};
    for (int f = 0; f < 6; ++f) {
        for (int j = 0; j < 4; ++j) faces[f].k[j] = corner_index(unit_cube[f].corner[j]);
    }
    return faces;
}();

// Whether a face of the cube at m may face the eye: its plane has the eye (the origin) in front
// of it. A face seen edge-on is kept with a margin; GL's own culling then decides, as for the
// per-cube path.
static bool may_face_eye(const float* m, const CubeFace& face) {
    const float* axis = m + 4 * face.axis;
    float facing = 0.0f, reach = 0.0f;
    for (int r = 0; r < 3; ++r) {
        float centre = m[12 + r] + face.sign * E * axis[r];
        facing += face.sign * axis[r] * centre;
        reach += std::fabs(centre);
    }
    return facing <= 1e-4f * reach;
}

// The cube's corners in clip space and, when they all lie within GL's depth range, in the
// window, with the faces that may face the eye.
static void place(BatchedCube& cube) {
    cube.facing = 0;
    for (uint32_t f = 0; f < 6; ++f) {
        if (may_face_eye(cube.m, unit_cube[f])) cube.facing |= 1u << f;
    }
    cube.faces = cube.facing;
    multiply(projection, cube.m, cube.clip_matrix);
    cube.in_window = false;
    for (int32_t k = 0; k < 8; ++k) {
        const float corner[3] = {k & 1 ? E : -E, k & 2 ? E : -E, k & 4 ? E : -E};
        float clip[4];
        transform(cube.clip_matrix, corner, 4, clip);
        // GL cuts a cube that reaches past the near or far plane; the occlusion picture does not
        // follow the cut, so such a cube is drawn whole and hides nothing.
        if (!(clip[3] > 0.0f && clip[2] >= -clip[3] && clip[2] <= clip[3])) return;
        float x = clip[0] / clip[3], y = clip[1] / clip[3];
        cube.window[k] = {(x + 1.0f) * 0.5f * static_cast<float>(viewport[2]),
                          (y + 1.0f) * 0.5f * static_cast<float>(viewport[3]), clip[2] / clip[3]};
    }
    cube.in_window = true;
}

static int32_t face_polygons(const BatchedCube& cube, uint32_t faces, WindowPolygon* out) {
    int32_t count = 0;
    for (uint32_t f = 0; f < 6; ++f) {
        if ((faces >> f & 1u) == 0) continue;
        out[count].count = 4;
        for (int32_t j = 0; j < 4; ++j) out[count].corner[j] = cube.window[face_corners[f].k[j]];
        ++count;
    }
    return count;
}

// Sorts `order` nearest centre first, so the cubes that hide others are in the occlusion picture
// when those come, and leaves out each cube that stands exactly where one added before it stands:
// it has that cube's depth at every pixel, so the depth test hides all of it. Half of the path's
// points repeat earlier ones. Repeats have equal centres and sort next to one another, the
// earliest added first.
struct Nearness {
    float z;  // the centre's eye-space z: larger is nearer
    uint32_t cube;
};
static std::vector<Nearness> nearness;

static void leave_out_repeats() {
    nearness.clear();
    for (uint32_t k : order) nearness.push_back({batch[k].m[14], k});
    std::sort(nearness.begin(), nearness.end(), [](const Nearness& a, const Nearness& b) {
        if (a.z != b.z) return a.z > b.z;
        int matrices = std::memcmp(batch[a.cube].m, batch[b.cube].m, sizeof batch[a.cube].m);
        return matrices != 0 ? matrices < 0 : a.cube < b.cube;
    });
    order.clear();
    for (const Nearness& n : nearness) {
        const float* m = batch[n.cube].m;
        if (order.empty() || std::memcmp(batch[order.back()].m, m, sizeof batch[n.cube].m) != 0)
            order.push_back(n.cube);
    }
}

// The occlusion picture is found in strips of columns side by side, one strip for each processor
// (the rasteriser's threads wait meanwhile): in each, every cube in `order` (nearest first) is
// tested against the picture of the cubes before it that show there, and recorded if it shows
// there too. A face is hidden where every strip hides it. A cube hidden in a strip would change
// nothing there if recorded, its depth being farther than the picture's wherever it covers a
// pixel, so the strips find what one picture of the whole viewport finds.
int32_t cube_culling_parts = 0;
constexpr int32_t CULLING_PARTS_MOST = 4;
// Fewer cubes are tested sooner on the calling thread than other threads start.
constexpr size_t CUBES_FOR_PARTS = 1000;
static int32_t culling_parts = 1;
static OcclusionPicture pictures[CULLING_PARTS_MOST];
static std::vector<uint8_t> hidden_in[CULLING_PARTS_MOST];  // by batch index: faces hidden there
static int32_t strip_edges[CULLING_PARTS_MOST + 1];         // strip k: columns edge k to edge k + 1
static std::vector<float> middles;

// Strips of about as many cubes each: the work goes with the cubes, and the scenes gather them
// unevenly across the screen.
static void share_columns() {
    middles.clear();
    for (uint32_t k : order) {
        const BatchedCube& cube = batch[k];
        if (cube.in_window) middles.push_back(0.5f * (cube.window[0].x + cube.window[7].x));
    }
    strip_edges[0] = 0;
    strip_edges[culling_parts] = viewport[2];
    for (int32_t part = 1; part < culling_parts; ++part) {
        int32_t edge = viewport[2] * part / culling_parts;
        if (!middles.empty()) {
            auto at = middles.begin() +
                      static_cast<std::ptrdiff_t>(middles.size() * static_cast<size_t>(part) /
                                                  static_cast<size_t>(culling_parts));
            std::nth_element(middles.begin(), at, middles.end());
            float middle = std::min(*at, static_cast<float>(viewport[2]));
            edge = middle > 0.0f ? static_cast<int32_t>(middle) : 0;  // and 0 for not a number
        }
        strip_edges[part] = std::max(edge, strip_edges[part - 1]);
    }
}

static void find_hidden_in_strip(int32_t part) {
    OcclusionPicture& picture = pictures[part];
    occlusion_clear(picture, viewport[2], viewport[3], strip_edges[part], strip_edges[part + 1]);
    std::vector<uint8_t>& hidden = hidden_in[part];
    for (uint32_t k : order) {
        const BatchedCube& cube = batch[k];
        if (!cube.in_window) continue;
        uint32_t faces_hidden = 0;
        for (uint32_t f = 0; f < 6; ++f) {
            if ((cube.facing >> f & 1u) == 0) continue;
            WindowPoint quad[4];
            for (int32_t j = 0; j < 4; ++j) quad[j] = cube.window[face_corners[f].k[j]];
            if (occlusion_hidden(picture, quad, 4)) faces_hidden |= 1u << f;
        }
        hidden[k] = static_cast<uint8_t>(faces_hidden);
        if ((cube.facing & ~faces_hidden) == 0) continue;
        WindowPolygon faces[6];
        occlusion_draw_solid(picture, cube.window, 8, faces,
                             face_polygons(cube, cube.facing, faces));
    }
}

// The cubes in `order` that may show a pixel, kept in `order`, with the faces that may show.
static void leave_out_hidden() {
    for (uint32_t k : order) place(batch[k]);
    culling_parts = cube_culling_parts > 0           ? cube_culling_parts
                    : order.size() < CUBES_FOR_PARTS ? 1
                                                     : thread_processors();
    culling_parts = std::clamp(culling_parts, 1, CULLING_PARTS_MOST);
    for (int32_t part = 0; part < culling_parts; ++part) hidden_in[part].resize(batch.size());
    share_columns();
    thread_run_side_by_side(find_hidden_in_strip, culling_parts);
    size_t shown = 0;
    for (uint32_t k : order) {
        BatchedCube& cube = batch[k];
        if (cube.in_window) {
            uint32_t faces_hidden = cube.facing;
            for (int32_t part = 0; part < culling_parts; ++part) faces_hidden &= hidden_in[part][k];
            cube.faces = cube.facing & ~faces_hidden;
            if (cube.faces == 0) continue;
        }
        order[shown++] = k;
    }
    order.resize(shown);
}

// ---- The arrays -------------------------------------------------------------------------------
// Appends the cube's faces that may show.
static void add_faces(const BatchedCube& cube) {
    const float* m = cube.m;
    for (uint32_t f = 0; f < 6; ++f) {
        if ((cube.faces >> f & 1u) == 0) continue;
        const CubeFace& face = unit_cube[f];
        float normal[3];
        for (int r = 0; r < 3; ++r) normal[r] = face.sign * m[4 * face.axis + r];
        uint32_t first = static_cast<uint32_t>(vertices.size());
        for (const float* corner : face.corner) {
            BatchVertex v;
            float eye[3];
            transform(m, corner, 3, eye);
            transform(cube.clip_matrix, corner, 4, v.position);
            shade(eye, normal, cube.colour, v.colour);
            vertices.push_back(v);
        }
        for (int32_t corner : FACE_TRIANGLES)
            indices.push_back(first + static_cast<uint32_t>(corner));
    }
}

// The arrays drawn in clip space: GL's matrices become the identity, which leaves each corner
// exactly as given, and its lighting and fog are off, the colours being already lit and fogged.
static void draw_arrays() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(4, GL_FLOAT, sizeof(BatchVertex), vertices.data()->position);
    glColorPointer(3, GL_FLOAT, sizeof(BatchVertex), vertices.data()->colour);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT,
                   indices.data());
    glPopClientAttrib();
    glPopAttrib();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void cubes_end() {
    if (cube_drawing == CUBES_IMMEDIATE || batch.empty()) return;
    view_read();
    lighting_read();
    order.clear();
    for (uint32_t k = 0; k < batch.size(); ++k) {
        if (in_view(batch[k].m)) order.push_back(k);
    }
    leave_out_repeats();
    leave_out_hidden();
    // GL draws them in the order they were added: where two cubes have the same depth, the first
    // wins, as on the per-cube path.
    std::sort(order.begin(), order.end());
    vertices.clear();
    indices.clear();
    for (uint32_t k : order) add_faces(batch[k]);
    batch.clear();
    cubes_sent = static_cast<int32_t>(order.size());
    cube_triangles_sent = static_cast<int32_t>(indices.size() / 3);
    if (!indices.empty()) draw_arrays();
    // The current colour and normal as the last cube drawn one at a time leaves them.
    glColor3fv(last_colour);
    glNormal3f(0.0f, 0.0f, -1.0f);
}

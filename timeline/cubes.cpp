// The scenes' unit cubes handed to GL: one at a time through the matrix stack, or every cube of a
// scene at once, moved into eye space on the CPU and drawn from one vertex array. The batch keeps
// the pictures of the per-cube path: the same corners, normals and triangles in eye space, the
// same lighting and fog, and the same cube winning wherever two have the same depth. It only
// leaves out what cannot reach the screen, which on a software rasteriser is most of the work:
// faces turned away from the eye, cubes outside the view and cubes drawn exactly over the one
// before them. Nearer cubes go first, so the depth test rejects what
// they hide before shading.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

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
};

struct BatchVertex {
    float position[3];
    float normal[3];
    float colour[3];
};

static float frame_matrix[16];  // the modelview the cubes stand in, read by cubes_begin
static std::vector<BatchedCube> batch;
static std::vector<uint32_t> order;  // indices into batch, nearest first
static std::vector<BatchVertex> vertices;
static std::vector<uint32_t> indices;
static float last_colour[3];  // the current colour the per-cube path leaves behind

void cubes_begin() {
    if (cube_drawing == CUBES_BATCHED) glGetFloatv(GL_MODELVIEW_MATRIX, frame_matrix);
}

// m = frame * translate(x, y, z), computed as glTranslatef does.
static void translated(const float* frame, float x, float y, float z, float* m) {
    std::memcpy(m, frame, 12 * sizeof(float));
    for (int r = 0; r < 4; ++r)
        m[12 + r] = frame[r] * x + frame[4 + r] * y + frame[8 + r] * z + frame[12 + r];
}

// m = m * rotate(degrees about y), as glRotatef(degrees, 0, 1, 0) does.
static void rotated_about_y(float degrees, float* m) {
    double radians = static_cast<double>(degrees) * M_PI / 180.0;
    float s = static_cast<float>(std::sin(radians)), c = static_cast<float>(std::cos(radians));
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

// ---- The view and the arrays --------------------------------------------------------------------
// The planes of the view volume in eye space (a, b, c, d with a*x + b*y + c*z + d >= 0 inside,
// (a, b, c) of unit length), from the projection's rows.
static float view_planes[6][4];

static void view_read() {
    float projection[16];
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

// Appends the faces of the cube the eye can see: those whose plane has the eye (the origin) in
// front of it. A face seen edge-on is kept with a margin; GL's own culling then decides, as for
// the per-cube path.
static void add_faces(const BatchedCube& cube) {
    const float* m = cube.m;
    for (const CubeFace& face : unit_cube) {
        const float* axis = m + 4 * face.axis;
        float facing = 0.0f, reach = 0.0f;
        for (int r = 0; r < 3; ++r) {
            float centre = m[12 + r] + face.sign * E * axis[r];
            facing += face.sign * axis[r] * centre;
            reach += std::fabs(centre);
        }
        if (facing > 1e-4f * reach) continue;
        uint32_t first = static_cast<uint32_t>(vertices.size());
        for (const float* corner : face.corner) {
            BatchVertex v;
            for (int r = 0; r < 3; ++r) {
                v.position[r] =
                    m[r] * corner[0] + m[4 + r] * corner[1] + m[8 + r] * corner[2] + m[12 + r];
                v.normal[r] = face.sign * axis[r];
                v.colour[r] = cube.colour[r];
            }
            vertices.push_back(v);
        }
        for (int32_t corner : FACE_TRIANGLES)
            indices.push_back(first + static_cast<uint32_t>(corner));
    }
}

static void draw_arrays() {
    glPushMatrix();
    glLoadIdentity();
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(BatchVertex), vertices.data()->position);
    glNormalPointer(GL_FLOAT, sizeof(BatchVertex), vertices.data()->normal);
    glColorPointer(3, GL_FLOAT, sizeof(BatchVertex), vertices.data()->colour);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT,
                   indices.data());
    glPopClientAttrib();
    glPopMatrix();
}

void cubes_end() {
    if (cube_drawing == CUBES_IMMEDIATE || batch.empty()) return;
    view_read();
    order.clear();
    for (uint32_t k = 0; k < batch.size(); ++k) {
        if (in_view(batch[k].m)) order.push_back(k);
    }
    // Nearest centre first; cubes at the same distance keep the order they were added in, which
    // decides between equal depths as the per-cube path does.
    std::stable_sort(order.begin(), order.end(),
                     [](uint32_t a, uint32_t b) { return batch[a].m[14] > batch[b].m[14]; });
    vertices.clear();
    indices.clear();
    for (uint32_t k : order) add_faces(batch[k]);
    batch.clear();
    if (!indices.empty()) draw_arrays();
    // The current colour and normal as the last cube drawn one at a time leaves them.
    glColor3fv(last_colour);
    glNormal3f(0.0f, 0.0f, -1.0f);
}

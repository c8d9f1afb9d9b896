// The raster position and glBitmap, which draw the text. The raster position is carried through
// the modelview and the projection as a vertex is, and becomes invalid outside the view volume,
// where GL drops the bitmaps drawn at it. A bitmap's set bits become fragments at the pixels
// floor(raster - origin) + (column, row), with the raster position's colour and depth: they are
// drawn as one-pixel points at those pixels' centres, so depth test and blending treat them as
// GL treats a bitmap's fragments.
#include <cmath>
#include <vector>

#include "platform/web/gl/gl_layer.h"
#include "platform/web/gl/webgl_calls.h"

void glRasterPos4f(GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    if (!gl_layer_live()) return;
    ServerState& s = gl_state;
    const float object[4] = {x, y, z, w};
    float eye[4], clip[4];
    matrix_transform(gl_modelview(), object, eye);
    matrix_transform(gl_projection(), eye, clip);
    if (clip[0] > clip[3] || clip[0] < -clip[3] || clip[1] > clip[3] || clip[1] < -clip[3] ||
        clip[2] > clip[3] || clip[2] < -clip[3]) {
        s.raster_valid = false;
        return;
    }
    float inverse_w = clip[3] == 0.0f ? 1.0f : 1.0f / clip[3];
    float half_width = static_cast<float>(gl_viewport[2]) * 0.5f;
    float half_height = static_cast<float>(gl_viewport[3]) * 0.5f;
    s.raster_position[0] = clip[0] * inverse_w * half_width + (gl_viewport[0] + half_width);
    s.raster_position[1] = clip[1] * inverse_w * half_height + (gl_viewport[1] + half_height);
    s.raster_position[2] = clip[2] * inverse_w * 0.5f + 0.5f;
    s.raster_position[3] = clip[3];
    s.raster_eye_distance = std::fabs(eye[2]);
    // The program sets raster positions with lighting off: the raster colour is the current one.
    for (int k = 0; k < 4; ++k) s.raster_colour[k] = s.colour[k];
    s.raster_valid = true;
}

void glRasterPos3f(GLfloat x, GLfloat y, GLfloat z) { glRasterPos4f(x, y, z, 1.0f); }
void glRasterPos3fv(const GLfloat* v) { glRasterPos4f(v[0], v[1], v[2], 1.0f); }
void glRasterPos2f(GLfloat x, GLfloat y) { glRasterPos4f(x, y, 0.0f, 1.0f); }

// The bit of the bitmap at (column, row), rows from the bottom, as the unpacking state lays the
// rows out in memory.
static bool bitmap_bit(const GLubyte* bitmap, GLsizei width, GLint column, GLint row) {
    const PixelStore& u = gl_client.unpack;
    int64_t row_bits = u.row_length > 0 ? u.row_length : width;
    int64_t row_bytes = (row_bits + 7) / 8;
    row_bytes = (row_bytes + u.alignment - 1) / u.alignment * u.alignment;
    int64_t bit = u.skip_pixels + column;
    GLubyte byte = bitmap[(u.skip_rows + row) * row_bytes + bit / 8];
    int shift = u.lsb_first ? static_cast<int>(bit % 8) : 7 - static_cast<int>(bit % 8);
    return (byte >> shift & 1) != 0;
}

static std::vector<float> points;

// The bitmap's fragments as points in clip space at the centres of their pixels.
static void draw_points(GLint x0, GLint y0, GLsizei width, GLsizei height, const GLubyte* bitmap) {
    points.clear();
    float ndc_z = gl_state.raster_position[2] * 2.0f - 1.0f;
    float pixel_width = 2.0f / static_cast<float>(gl_viewport[2]);
    float pixel_height = 2.0f / static_cast<float>(gl_viewport[3]);
    for (GLint row = 0; row < height; ++row) {
        for (GLint column = 0; column < width; ++column) {
            if (!bitmap_bit(bitmap, width, column, row)) continue;
            float x = static_cast<float>(x0 + column - gl_viewport[0]) + 0.5f;
            float y = static_cast<float>(y0 + row - gl_viewport[1]) + 0.5f;
            points.insert(points.end(), {x * pixel_width - 1.0f, y * pixel_height - 1.0f, ndc_z});
        }
    }
    if (points.empty()) return;
    // Every fragment has the raster colour, fogged (when fog is on) by the raster position's
    // distance, and clamped as colours are before they are written.
    float colour[4];
    float f = gl_state.fog ? fog_factor(gl_state.raster_eye_distance) : 1.0f;
    for (int k = 0; k < 4; ++k) {
        float c = std::fmin(std::fmax(gl_state.raster_colour[k], 0.0f), 1.0f);
        colour[k] = k < 3 ? f * c + (1.0f - f) * gl_state.fog_colour[k] : c;
    }
    shader_prepare(true);
    emscripten_glBindBuffer(WEBGL_ARRAY_BUFFER, shader_vertex_buffer());
    emscripten_glBufferData(WEBGL_ARRAY_BUFFER,
                            static_cast<ptrdiff_t>(points.size() * sizeof(float)), points.data(),
                            WEBGL_STREAM_DRAW);
    emscripten_glEnableVertexAttribArray(ATTRIBUTE_POSITION);
    emscripten_glVertexAttribPointer(ATTRIBUTE_POSITION, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    emscripten_glDisableVertexAttribArray(ATTRIBUTE_COLOUR);
    emscripten_glVertexAttrib4fv(ATTRIBUTE_COLOUR, colour);
    emscripten_glDisableVertexAttribArray(ATTRIBUTE_NORMAL);
    emscripten_glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(points.size() / 3));
}

void glBitmap(GLsizei width, GLsizei height, GLfloat x_origin, GLfloat y_origin, GLfloat x_move,
              GLfloat y_move, const GLubyte* bitmap) {
    if (!gl_layer_live()) return;
    if (width < 0 || height < 0) {
        gl_fail(GL_INVALID_VALUE);
        return;
    }
    ServerState& s = gl_state;
    if (!s.raster_valid) return;
    if (width > 0 && height > 0 && bitmap != nullptr) {
        GLint x = static_cast<GLint>(std::floor(s.raster_position[0] - x_origin));
        GLint y = static_cast<GLint>(std::floor(s.raster_position[1] - y_origin));
        draw_points(x, y, width, height, bitmap);
    }
    s.raster_position[0] += x_move;
    s.raster_position[1] += y_move;
}

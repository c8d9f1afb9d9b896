// glBegin/glEnd: the vertices given between them, each with the current normal and colour, are
// kept and drawn at glEnd in one call with the state as it stands then.
#include <vector>

#include "platform/web/gl/gl_layer.h"
#include "platform/web/gl/webgl_calls.h"

struct ImmediateVertex {
    float position[4];
    float normal[3];
    float colour[4];
};

static std::vector<ImmediateVertex> primitive;
static GLenum primitive_mode = GL_TRIANGLES;
static bool inside = false;

// The primitives WebGL draws as they are; quads and polygons are not offered.
bool primitive_drawable(GLenum mode) {
    return mode == GL_POINTS || mode == GL_LINES || mode == GL_LINE_LOOP || mode == GL_LINE_STRIP ||
           mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP || mode == GL_TRIANGLE_FAN;
}

void glBegin(GLenum mode) {
    if (!gl_layer_live()) return;
    if (inside) {
        gl_fail(GL_INVALID_OPERATION);
        return;
    }
    if (!primitive_drawable(mode)) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    primitive_mode = mode;
    primitive.clear();
    inside = true;
}

static void attribute_array(GLuint index, GLint size, size_t offset) {
    emscripten_glEnableVertexAttribArray(index);
    emscripten_glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, sizeof(ImmediateVertex),
                                     reinterpret_cast<const void*>(offset));
}

void glEnd() {
    if (!gl_layer_live()) return;
    if (!inside) {
        gl_fail(GL_INVALID_OPERATION);
        return;
    }
    inside = false;
    if (primitive.empty()) return;
    shader_prepare(false);
    emscripten_glBindBuffer(WEBGL_ARRAY_BUFFER, shader_vertex_buffer());
    emscripten_glBufferData(WEBGL_ARRAY_BUFFER,
                            static_cast<ptrdiff_t>(primitive.size() * sizeof(ImmediateVertex)),
                            primitive.data(), WEBGL_STREAM_DRAW);
    attribute_array(ATTRIBUTE_POSITION, 4, offsetof(ImmediateVertex, position));
    attribute_array(ATTRIBUTE_NORMAL, 3, offsetof(ImmediateVertex, normal));
    attribute_array(ATTRIBUTE_COLOUR, 4, offsetof(ImmediateVertex, colour));
    emscripten_glDrawArrays(primitive_mode, 0, static_cast<GLsizei>(primitive.size()));
}

void glVertex4f(GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    // Outside glBegin/glEnd a vertex has no primitive to join.
    if (!gl_layer_live() || !inside) return;
    ImmediateVertex v = {{x, y, z, w}, {}, {}};
    for (int k = 0; k < 3; ++k) v.normal[k] = gl_state.normal[k];
    for (int k = 0; k < 4; ++k) v.colour[k] = gl_state.colour[k];
    primitive.push_back(v);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { glVertex4f(x, y, z, 1.0f); }
void glVertex3fv(const GLfloat* v) { glVertex4f(v[0], v[1], v[2], 1.0f); }
void glVertex2f(GLfloat x, GLfloat y) { glVertex4f(x, y, 0.0f, 1.0f); }

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    if (!gl_layer_live()) return;
    gl_state.normal[0] = x, gl_state.normal[1] = y, gl_state.normal[2] = z;
}

void glNormal3fv(const GLfloat* v) { glNormal3f(v[0], v[1], v[2]); }

// The current colour is kept as given; it is clamped where it is used, after lighting.
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    if (!gl_layer_live()) return;
    gl_state.colour[0] = r, gl_state.colour[1] = g, gl_state.colour[2] = b, gl_state.colour[3] = a;
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { glColor4f(r, g, b, 1.0f); }
void glColor3fv(const GLfloat* v) { glColor4f(v[0], v[1], v[2], 1.0f); }
void glColor4fv(const GLfloat* v) { glColor4f(v[0], v[1], v[2], v[3]); }

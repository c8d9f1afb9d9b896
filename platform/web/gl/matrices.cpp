// The modelview and projection stacks and the calls that change them, in single precision with
// the fixed pipeline's formulas and summation order, so that the matrices the program reads back
// (glGetFloatv) are the ones the desktop's GL holds, to the bit.
#include <cmath>
#include <cstring>

#include "platform/web/gl/gl_layer.h"

// GL's minimum depth for the modelview stack; the projection stack gets the same.
constexpr int32_t STACK_DEPTH = 32;

struct MatrixStack {
    float m[STACK_DEPTH][16];
    int32_t top;
};

static const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
static MatrixStack modelview_stack;
static MatrixStack projection_stack;
static MatrixStack* current_stack = &modelview_stack;
static GLenum matrix_mode = GL_MODELVIEW;

static float* top() { return current_stack->m[current_stack->top]; }

const float* gl_modelview() { return modelview_stack.m[modelview_stack.top]; }
const float* gl_projection() { return projection_stack.m[projection_stack.top]; }

void matrices_reset() {
    std::memcpy(modelview_stack.m[0], IDENTITY, sizeof IDENTITY);
    std::memcpy(projection_stack.m[0], IDENTITY, sizeof IDENTITY);
    modelview_stack.top = 0;
    projection_stack.top = 0;
    current_stack = &modelview_stack;
    matrix_mode = GL_MODELVIEW;
}

GLenum matrices_mode() { return matrix_mode; }

void matrix_multiply(const float* a, const float* b, float* p) {
    float product[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            product[4 * j + i] = a[i] * b[4 * j] + a[4 + i] * b[4 * j + 1] +
                                 a[8 + i] * b[4 * j + 2] + a[12 + i] * b[4 * j + 3];
        }
    }
    std::memcpy(p, product, sizeof product);
}

void matrix_transform(const float* m, const float* v, float* out) {
    float result[4];
    for (int r = 0; r < 4; ++r)
        result[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
    std::memcpy(out, result, sizeof result);
}

void glMatrixMode(GLenum mode) {
    if (!gl_layer_live()) return;
    if (mode == GL_MODELVIEW) {
        current_stack = &modelview_stack;
    } else if (mode == GL_PROJECTION) {
        current_stack = &projection_stack;
    } else {
        // Texture matrices: the program draws no textures.
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    matrix_mode = mode;
}

void glPushMatrix() {
    if (!gl_layer_live()) return;
    if (current_stack->top + 1 == STACK_DEPTH) {
        gl_fail(GL_STACK_OVERFLOW);
        return;
    }
    std::memcpy(current_stack->m[current_stack->top + 1], top(), 16 * sizeof(float));
    ++current_stack->top;
}

void glPopMatrix() {
    if (!gl_layer_live()) return;
    if (current_stack->top == 0) {
        gl_fail(GL_STACK_UNDERFLOW);
        return;
    }
    --current_stack->top;
}

void glLoadIdentity() {
    if (gl_layer_live()) std::memcpy(top(), IDENTITY, sizeof IDENTITY);
}

void glLoadMatrixf(const GLfloat* m) {
    if (gl_layer_live()) std::memcpy(top(), m, 16 * sizeof(float));
}

void glMultMatrixf(const GLfloat* m) {
    if (gl_layer_live()) matrix_multiply(top(), m, top());
}

// GL keeps single precision: the doubles are rounded first.
void glMultMatrixd(const GLdouble* m) {
    float rounded[16];
    for (int k = 0; k < 16; ++k) rounded[k] = static_cast<float>(m[k]);
    glMultMatrixf(rounded);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    if (!gl_layer_live()) return;
    float* m = top();
    for (int r = 0; r < 4; ++r) m[12 + r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    if (!gl_layer_live()) return;
    float* m = top();
    for (int r = 0; r < 4; ++r) {
        m[r] *= x;
        m[4 + r] *= y;
        m[8 + r] *= z;
    }
}

// The rotation matrix of the GL definition. The angle becomes radians in single precision before
// its sine and cosine are taken; a rotation about a coordinate axis is written with the sine and
// cosine alone, so that it is exact where the general formula would round.
static void rotation(float degrees, float x, float y, float z, float* m) {
    std::memcpy(m, IDENTITY, sizeof IDENTITY);
    float radians = static_cast<float>(static_cast<double>(degrees) * M_PI / 180.0);
    float s = std::sin(radians);
    float c = std::cos(radians);
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        float sz = z < 0.0f ? -s : s;
        m[0] = c, m[5] = c, m[4] = -sz, m[1] = sz;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        float sy = y < 0.0f ? -s : s;
        m[0] = c, m[10] = c, m[8] = sy, m[2] = -sy;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        float sx = x < 0.0f ? -s : s;
        m[5] = c, m[10] = c, m[9] = -sx, m[6] = sx;
    } else {
        float length = std::sqrt(x * x + y * y + z * z);
        // No axis to turn about: GL leaves the matrix as it is.
        if (length <= 1.0e-4f) return;
        x /= length, y /= length, z /= length;
        float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
        float xs = x * s, ys = y * s, zs = z * s;
        float one_c = 1.0f - c;
        m[0] = one_c * xx + c, m[4] = one_c * xy - zs, m[8] = one_c * zx + ys;
        m[1] = one_c * xy + zs, m[5] = one_c * yy + c, m[9] = one_c * yz - xs;
        m[2] = one_c * zx - ys, m[6] = one_c * yz + xs, m[10] = one_c * zz + c;
    }
}

void glRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z) {
    if (!gl_layer_live()) return;
    float m[16];
    rotation(degrees, x, y, z, m);
    matrix_multiply(top(), m, top());
}

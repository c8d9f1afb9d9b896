// The two GLU calls the program makes, with GLU's formulas: the perspective built in double
// precision and handed to GL as doubles, the look-at built in single precision.
#include <GL/glu.h>

#include <cmath>

#include "platform/web/gl/gl_layer.h"

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble z_near, GLdouble z_far) {
    double radians = fovy / 2.0 * M_PI / 180.0;
    double depth = z_far - z_near;
    double sine = std::sin(radians);
    // A projection that would divide by zero is left out, as GLU leaves it.
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0) return;
    double cotangent = std::cos(radians) / sine;
    double m[16] = {};
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(z_far + z_near) / depth;
    m[11] = -1.0;
    m[14] = -2.0 * z_near * z_far / depth;
    glMultMatrixd(m);
}

static void normalize(float* v) {
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0f) return;
    for (int k = 0; k < 3; ++k) v[k] /= length;
}

static void cross(const float* a, const float* b, float* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void gluLookAt(GLdouble eye_x, GLdouble eye_y, GLdouble eye_z, GLdouble centre_x, GLdouble centre_y,
               GLdouble centre_z, GLdouble up_x, GLdouble up_y, GLdouble up_z) {
    float forward[3] = {static_cast<float>(centre_x - eye_x), static_cast<float>(centre_y - eye_y),
                        static_cast<float>(centre_z - eye_z)};
    float up[3] = {static_cast<float>(up_x), static_cast<float>(up_y), static_cast<float>(up_z)};
    float side[3];
    normalize(forward);
    cross(forward, up, side);
    normalize(side);
    cross(side, forward, up);
    float m[16] = {side[0], up[0], -forward[0], 0.0f, side[1], up[1], -forward[1], 0.0f,
                   side[2], up[2], -forward[2], 0.0f, 0.0f,    0.0f,  0.0f,        1.0f};
    glMultMatrixf(m);
    glTranslated(-eye_x, -eye_y, -eye_z);
}

// Light 0, the light model, colour material and fog: parameters kept for the shader, and read
// back as GL reads them. A light's position is carried into eye space by the modelview current
// when it is given, and stays there.
#include <cmath>
#include <cstring>

#include "platform/web/gl/gl_layer.h"

void glLightfv(GLenum light, GLenum name, const GLfloat* values) {
    if (!gl_layer_live()) return;
    // The layer offers the one light the program uses.
    if (light != GL_LIGHT0) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    LightSource& l = gl_state.light;
    switch (name) {
    case GL_AMBIENT: std::memcpy(l.ambient, values, sizeof l.ambient); break;
    case GL_DIFFUSE: std::memcpy(l.diffuse, values, sizeof l.diffuse); break;
    case GL_SPECULAR: std::memcpy(l.specular, values, sizeof l.specular); break;
    case GL_POSITION: matrix_transform(gl_modelview(), values, l.position); break;
    default: gl_fail(GL_INVALID_ENUM); break;
    }
}

void glGetLightfv(GLenum light, GLenum name, GLfloat* values) {
    if (!gl_layer_live()) return;
    if (light != GL_LIGHT0) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    const LightSource& l = gl_state.light;
    switch (name) {
    case GL_AMBIENT: std::memcpy(values, l.ambient, sizeof l.ambient); break;
    case GL_DIFFUSE: std::memcpy(values, l.diffuse, sizeof l.diffuse); break;
    case GL_SPECULAR: std::memcpy(values, l.specular, sizeof l.specular); break;
    case GL_POSITION: std::memcpy(values, l.position, sizeof l.position); break;
    default: gl_fail(GL_INVALID_ENUM); break;
    }
}

void glLightModelfv(GLenum name, const GLfloat* values) {
    if (!gl_layer_live()) return;
    if (name == GL_LIGHT_MODEL_AMBIENT) {
        std::memcpy(gl_state.model_ambient, values, sizeof gl_state.model_ambient);
    } else if (name == GL_LIGHT_MODEL_TWO_SIDE) {
        gl_state.two_side = values[0] != 0.0f;
    } else {
        gl_fail(GL_INVALID_ENUM);
    }
}

void glLightModeli(GLenum name, GLint value) {
    if (!gl_layer_live()) return;
    if (name != GL_LIGHT_MODEL_TWO_SIDE) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    gl_state.two_side = value != 0;
}

// The shader follows the current colour with the ambient and diffuse material together, the one
// mode the program sets.
void glColorMaterial(GLenum face, GLenum mode) {
    if (!gl_layer_live()) return;
    if (mode != GL_AMBIENT_AND_DIFFUSE ||
        (face != GL_FRONT && face != GL_BACK && face != GL_FRONT_AND_BACK)) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    gl_state.colour_material_face = face;
    gl_state.colour_material_mode = mode;
}

void glFogf(GLenum name, GLfloat value) {
    if (!gl_layer_live()) return;
    switch (name) {
    case GL_FOG_DENSITY:
        if (value < 0.0f) {
            gl_fail(GL_INVALID_VALUE);
            return;
        }
        gl_state.fog_density = value;
        break;
    case GL_FOG_START: gl_state.fog_start = value; break;
    case GL_FOG_END: gl_state.fog_end = value; break;
    case GL_FOG_MODE: glFogi(name, static_cast<GLint>(value)); break;
    default: gl_fail(GL_INVALID_ENUM); break;
    }
}

void glFogi(GLenum name, GLint value) {
    if (!gl_layer_live()) return;
    if (name != GL_FOG_MODE) {
        glFogf(name, static_cast<GLfloat>(value));
        return;
    }
    GLenum mode = static_cast<GLenum>(value);
    if (mode != GL_EXP && mode != GL_EXP2 && mode != GL_LINEAR) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    gl_state.fog_mode = mode;
}

void glFogfv(GLenum name, const GLfloat* values) {
    if (!gl_layer_live()) return;
    if (name == GL_FOG_COLOR) {
        std::memcpy(gl_state.fog_colour, values, sizeof gl_state.fog_colour);
    } else {
        glFogf(name, values[0]);
    }
}

float fog_factor(float distance) {
    float f = 1.0f;
    switch (gl_state.fog_mode) {
    case GL_EXP: f = std::exp(-gl_state.fog_density * distance); break;
    case GL_EXP2: {
        float d = gl_state.fog_density * distance;
        f = std::exp(-d * d);
        break;
    }
    default: f = (gl_state.fog_end - distance) / (gl_state.fog_end - gl_state.fog_start); break;
    }
    return f < 0.0f ? 0.0f : f > 1.0f ? 1.0f : f;
}

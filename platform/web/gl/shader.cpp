// The one shader program the layer draws with: the fixed pipeline's vertex stage (the position by
// the projection times the modelview; one positional or directional light in eye space, ambient
// and diffuse, colour material, clamped per vertex and interpolated: Gouraud shading) and its
// fog, by the fragment's eye distance. Written in GLSL ES 1.00, which WebGL 1 and 2 both take.
#include <cstdio>
#include <cstring>

#include "platform/web/gl/gl_layer.h"
#include "platform/web/gl/webgl_calls.h"

static const char* const VERTEX_SOURCE = R"(
attribute vec4 a_position;
attribute vec3 a_normal;
attribute vec4 a_colour;
uniform mat4 u_mvp;
uniform mat4 u_modelview;
uniform mat3 u_normal_matrix;
uniform bool u_lighting;
uniform bool u_colour_material;
uniform vec4 u_material_ambient;
uniform vec4 u_material_diffuse;
uniform vec4 u_light_position;
uniform vec4 u_light_ambient;
uniform vec4 u_light_diffuse;
uniform vec4 u_model_ambient;
uniform float u_point_size;
varying vec4 v_colour;
varying float v_eye_distance;

void main() {
    gl_Position = u_mvp * a_position;
    gl_PointSize = u_point_size;
    vec4 eye = u_modelview * a_position;
    v_eye_distance = abs(eye.z);
    if (!u_lighting) {
        v_colour = clamp(a_colour, 0.0, 1.0);
        return;
    }
    vec4 ambient = u_colour_material ? a_colour : u_material_ambient;
    vec4 diffuse = u_colour_material ? a_colour : u_material_diffuse;
    vec3 normal = u_normal_matrix * a_normal;
    vec3 to_light = u_light_position.xyz - eye.xyz * u_light_position.w;
    float facing = max(dot(normal, normalize(to_light)), 0.0);
    vec3 lit = ambient.rgb * u_model_ambient.rgb + ambient.rgb * u_light_ambient.rgb +
               diffuse.rgb * u_light_diffuse.rgb * facing;
    v_colour = vec4(clamp(lit, 0.0, 1.0), clamp(diffuse.a, 0.0, 1.0));
}
)";

static const char* const FRAGMENT_SOURCE = R"(
precision highp float;
uniform int u_fog_mode;
uniform float u_fog_density;
uniform float u_fog_start;
uniform float u_fog_end;
uniform vec4 u_fog_colour;
varying vec4 v_colour;
varying float v_eye_distance;

void main() {
    vec4 colour = v_colour;
    if (u_fog_mode != 0) {
        float f;
        if (u_fog_mode == 1) {
            f = exp(-u_fog_density * v_eye_distance);
        } else if (u_fog_mode == 2) {
            float d = u_fog_density * v_eye_distance;
            f = exp(-d * d);
        } else {
            f = (u_fog_end - v_eye_distance) / (u_fog_end - u_fog_start);
        }
        f = clamp(f, 0.0, 1.0);
        colour.rgb = f * colour.rgb + (1.0 - f) * u_fog_colour.rgb;
    }
    gl_FragColor = colour;
}
)";

enum Uniform {
    U_MVP,
    U_MODELVIEW,
    U_NORMAL_MATRIX,
    U_LIGHTING,
    U_COLOUR_MATERIAL,
    U_MATERIAL_AMBIENT,
    U_MATERIAL_DIFFUSE,
    U_LIGHT_POSITION,
    U_LIGHT_AMBIENT,
    U_LIGHT_DIFFUSE,
    U_MODEL_AMBIENT,
    U_POINT_SIZE,
    U_FOG_MODE,
    U_FOG_DENSITY,
    U_FOG_START,
    U_FOG_END,
    U_FOG_COLOUR,
    UNIFORM_COUNT
};
static const char* const UNIFORM_NAMES[UNIFORM_COUNT] = {"u_mvp",
                                                         "u_modelview",
                                                         "u_normal_matrix",
                                                         "u_lighting",
                                                         "u_colour_material",
                                                         "u_material_ambient",
                                                         "u_material_diffuse",
                                                         "u_light_position",
                                                         "u_light_ambient",
                                                         "u_light_diffuse",
                                                         "u_model_ambient",
                                                         "u_point_size",
                                                         "u_fog_mode",
                                                         "u_fog_density",
                                                         "u_fog_start",
                                                         "u_fog_end",
                                                         "u_fog_colour"};

static GLuint program = 0;
static GLint uniforms[UNIFORM_COUNT];
static GLuint buffers[2] = {0, 0};
static bool is_webgl2 = false;
static char error_line[512] = "";

const char* gl_layer_error() { return error_line; }
GLuint shader_vertex_buffer() { return buffers[0]; }
GLuint shader_index_buffer() { return buffers[1]; }
bool shader_webgl2() { return is_webgl2; }

static GLuint compile(GLenum type, const char* source) {
    GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint compiled = 0;
    emscripten_glGetShaderiv(shader, WEBGL_COMPILE_STATUS, &compiled);
    if (compiled) return shader;
    char log[400] = "";
    emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::snprintf(error_line, sizeof error_line, "the %s shader does not compile: %s",
                  type == WEBGL_VERTEX_SHADER ? "vertex" : "fragment", log);
    emscripten_glDeleteShader(shader);
    return 0;
}

bool shader_open(bool webgl2) {
    is_webgl2 = webgl2;
    GLuint vertex = compile(WEBGL_VERTEX_SHADER, VERTEX_SOURCE);
    GLuint fragment = vertex ? compile(WEBGL_FRAGMENT_SHADER, FRAGMENT_SOURCE) : 0;
    if (fragment == 0) {
        if (vertex) emscripten_glDeleteShader(vertex);
        return false;
    }
    program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, vertex);
    emscripten_glAttachShader(program, fragment);
    emscripten_glBindAttribLocation(program, ATTRIBUTE_POSITION, "a_position");
    emscripten_glBindAttribLocation(program, ATTRIBUTE_NORMAL, "a_normal");
    emscripten_glBindAttribLocation(program, ATTRIBUTE_COLOUR, "a_colour");
    emscripten_glLinkProgram(program);
    emscripten_glDeleteShader(vertex);
    emscripten_glDeleteShader(fragment);
    GLint linked = 0;
    emscripten_glGetProgramiv(program, WEBGL_LINK_STATUS, &linked);
    if (!linked) {
        char log[400] = "";
        emscripten_glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::snprintf(error_line, sizeof error_line, "the shader program does not link: %s", log);
        emscripten_glDeleteProgram(program);
        program = 0;
        return false;
    }
    emscripten_glUseProgram(program);
    for (int k = 0; k < UNIFORM_COUNT; ++k)
        uniforms[k] = emscripten_glGetUniformLocation(program, UNIFORM_NAMES[k]);
    emscripten_glGenBuffers(2, buffers);
    emscripten_glBindBuffer(WEBGL_ARRAY_BUFFER, buffers[0]);
    emscripten_glBindBuffer(WEBGL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    emscripten_glEnableVertexAttribArray(ATTRIBUTE_POSITION);
    return true;
}

void shader_close() {
    emscripten_glDeleteBuffers(2, buffers);
    emscripten_glDeleteProgram(program);
    program = 0;
}

// The matrix normals are carried by: the inverse transpose of the modelview's upper 3x3, which
// is its cofactor matrix over its determinant (column-major, as the shader takes it).
static void normal_matrix(const float* m, float* n) {
    auto a = [m](int row, int column) { return m[4 * column + row]; };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            int r1 = (row + 1) % 3, r2 = (row + 2) % 3, c1 = (column + 1) % 3,
                c2 = (column + 2) % 3;
            n[3 * column + row] = a(r1, c1) * a(r2, c2) - a(r1, c2) * a(r2, c1);
        }
    }
    float determinant = a(0, 0) * n[0] + a(0, 1) * n[3] + a(0, 2) * n[6];
    // A singular modelview flattens the normals; GL's result is undefined there.
    if (determinant == 0.0f) return;
    for (int k = 0; k < 9; ++k) n[k] /= determinant;
}

static const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void shader_prepare(bool unlit_window_points) {
    if (unlit_window_points) {
        emscripten_glUniformMatrix4fv(uniforms[U_MVP], 1, GL_FALSE, IDENTITY);
        emscripten_glUniformMatrix4fv(uniforms[U_MODELVIEW], 1, GL_FALSE, IDENTITY);
        emscripten_glUniform1i(uniforms[U_LIGHTING], 0);
        emscripten_glUniform1i(uniforms[U_FOG_MODE], 0);
        emscripten_glUniform1f(uniforms[U_POINT_SIZE], 1.0f);
        return;
    }
    const ServerState& s = gl_state;
    float mvp[16], normals[9];
    // The projection times the modelview, then that times each vertex, as the fixed pipeline
    // forms the product.
    matrix_multiply(gl_projection(), gl_modelview(), mvp);
    normal_matrix(gl_modelview(), normals);
    emscripten_glUniformMatrix4fv(uniforms[U_MVP], 1, GL_FALSE, mvp);
    emscripten_glUniformMatrix4fv(uniforms[U_MODELVIEW], 1, GL_FALSE, gl_modelview());
    emscripten_glUniformMatrix3fv(uniforms[U_NORMAL_MATRIX], 1, GL_FALSE, normals);
    emscripten_glUniform1f(uniforms[U_POINT_SIZE], s.point_size);
    emscripten_glUniform1i(uniforms[U_LIGHTING], s.lighting ? 1 : 0);
    if (s.lighting) {
        // Light 0 switched off leaves the light model's ambient alone.
        static const float DARK[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        emscripten_glUniform1i(uniforms[U_COLOUR_MATERIAL], s.colour_material ? 1 : 0);
        emscripten_glUniform4fv(uniforms[U_MATERIAL_AMBIENT], 1, s.material_ambient);
        emscripten_glUniform4fv(uniforms[U_MATERIAL_DIFFUSE], 1, s.material_diffuse);
        emscripten_glUniform4fv(uniforms[U_LIGHT_POSITION], 1, s.light.position);
        emscripten_glUniform4fv(uniforms[U_LIGHT_AMBIENT], 1, s.light0 ? s.light.ambient : DARK);
        emscripten_glUniform4fv(uniforms[U_LIGHT_DIFFUSE], 1, s.light0 ? s.light.diffuse : DARK);
        emscripten_glUniform4fv(uniforms[U_MODEL_AMBIENT], 1, s.model_ambient);
    }
    int fog_mode = !s.fog ? 0 : s.fog_mode == GL_EXP ? 1 : s.fog_mode == GL_EXP2 ? 2 : 3;
    emscripten_glUniform1i(uniforms[U_FOG_MODE], fog_mode);
    if (fog_mode != 0) {
        emscripten_glUniform1f(uniforms[U_FOG_DENSITY], s.fog_density);
        emscripten_glUniform1f(uniforms[U_FOG_START], s.fog_start);
        emscripten_glUniform1f(uniforms[U_FOG_END], s.fog_end);
        emscripten_glUniform4fv(uniforms[U_FOG_COLOUR], 1, s.fog_colour);
    }
}

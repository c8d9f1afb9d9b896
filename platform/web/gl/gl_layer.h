// The OpenGL 1.x and GLU subset the program calls, on WebGL: the fixed-function state kept on
// the CPU, and drawing through one shader program that computes what the fixed pipeline would
// (one positional light in eye space with colour material, Gouraud shading, GL_EXP, GL_EXP2 and
// GL_LINEAR fog). Internal to the web backend: the program sees only the GL names in <GL/gl.h>.
//
// What the layer keeps: the modelview and projection stacks; light 0 with the light model's
// ambient and colour material of the ambient and diffuse; fog; the current colour, normal and
// raster position; vertex and colour (and normal) arrays from client memory, drawn with
// glDrawElements (32-bit indices too); glBegin/glEnd triangles; glBitmap; the attribute stacks
// for the current, enable, lighting and fog groups and the client's pixel-store and vertex-array
// groups; glReadPixels. Back faces are culled as the program sets it, so the second side of the
// two-sided light model is never seen and is not computed.
#pragma once

#include <GL/gl.h>

#include <cstdint>

// ---- The layer's life (gl_state.cpp) ----------------------------------------------------------
// Starts the layer on the context just made current: compiles the shader program and sets the
// fixed-function defaults. False when the program does not compile or link (the reason goes to
// gl_layer_error) or 32-bit indices are missing on WebGL 1.
bool gl_layer_open(bool webgl2);
// The context is going: GL calls reach nothing from now on.
void gl_layer_close();
// True while a context is current; every GL call does nothing otherwise.
bool gl_layer_live();
const char* gl_layer_error();
// Records a GL error for glGetError (the first one stays until read).
void gl_fail(GLenum error);

// ---- Fixed-function state ---------------------------------------------------------------------
struct LightSource {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float position[4];  // in eye space, as transformed when it was given
};

// The state the attribute groups push and pop (gl_state.cpp).
struct ServerState {
    // Enables.
    bool lighting, light0, colour_material, fog, depth_test, cull_face, blend, texture_2d;
    // Current values (GL_CURRENT_BIT).
    float colour[4];
    float normal[3];
    float raster_position[4];  // window x, y, z (0..1) and clip w
    float raster_colour[4];
    float raster_eye_distance;  // what fog reads for the raster position's fragments
    bool raster_valid;
    // Lighting (GL_LIGHTING_BIT).
    LightSource light;
    float model_ambient[4];
    bool two_side;
    GLenum colour_material_face, colour_material_mode;
    GLenum shade_model;
    float material_ambient[4], material_diffuse[4];
    float point_size;
    // Fog (GL_FOG_BIT).
    GLenum fog_mode;
    float fog_density, fog_start, fog_end;
    float fog_colour[4];
};
extern ServerState gl_state;

// Client arrays and pixel store (the client attribute groups).
struct ClientArray {
    bool enabled;
    GLint size;
    GLenum type;
    GLsizei stride;
    const void* pointer;
};
struct PixelStore {
    bool lsb_first, swap_bytes;
    GLint row_length, skip_rows, skip_pixels, alignment;
};
struct ClientState {
    ClientArray vertex, normal, colour;
    PixelStore unpack, pack;
};
extern ClientState gl_client;

extern GLint gl_viewport[4];

// ---- Fog (lighting.cpp) ----------------------------------------------------------------------
// The fog's factor (1: none, 0: all fog colour) at eye distance `distance`, by the current mode.
float fog_factor(float distance);

// ---- Matrices (matrices.cpp) ------------------------------------------------------------------
// Both stacks back to one identity matrix, the modelview current.
void matrices_reset();
GLenum matrices_mode();
// The top of each stack, column-major.
const float* gl_modelview();
const float* gl_projection();
// p = a * b, column-major, each element summed left to right as the fixed pipeline sums it.
void matrix_multiply(const float* a, const float* b, float* p);
// out = m * v for a 4-vector.
void matrix_transform(const float* m, const float* v, float* out);

// ---- Primitives (immediate.cpp) ------------------------------------------------------------
// True for the primitive modes WebGL draws as they are (quads and polygons it does not).
bool primitive_drawable(GLenum mode);

// ---- Drawing (shader.cpp) ---------------------------------------------------------------------
// The shader's vertex attributes.
enum VertexAttribute : GLuint {
    ATTRIBUTE_POSITION = 0,
    ATTRIBUTE_NORMAL = 1,
    ATTRIBUTE_COLOUR = 2
};
// Hands the shader the state a draw needs: matrices, light, material and fog as they stand now.
// With `unlit_window_points`, the draw is of glBitmap's fragments instead: positions are already
// in clip space, unlit and unfogged, one pixel each.
void shader_prepare(bool unlit_window_points);
// The buffers the layer streams client data through.
GLuint shader_vertex_buffer();
GLuint shader_index_buffer();
bool shader_webgl2();

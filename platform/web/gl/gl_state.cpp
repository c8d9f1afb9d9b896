// The layer's life, its errors, the enables, the state queries and the attribute stacks. Enables
// WebGL has (depth test, face culling, blending) go on to WebGL as well; the rest live only here,
// for the shader to read at each draw.
#include <cstring>

#include "platform/web/gl/gl_layer.h"
#include "platform/web/gl/webgl_calls.h"

ServerState gl_state;
ClientState gl_client;
GLint gl_viewport[4] = {0, 0, 0, 0};

static bool live = false;
static GLenum first_error = GL_NO_ERROR;

bool shader_open(bool webgl2);
void shader_close();

static const ServerState DEFAULT_STATE = {
    false,
    false,
    false,
    false,
    false,
    false,
    false,
    false,
    {1.0f, 1.0f, 1.0f, 1.0f},
    {0.0f, 0.0f, 1.0f},
    {0.0f, 0.0f, 0.0f, 1.0f},
    {1.0f, 1.0f, 1.0f, 1.0f},
    0.0f,
    true,
    // Light 0's defaults: white diffuse and specular, a directional light along -z.
    {{0.0f, 0.0f, 0.0f, 1.0f},
     {1.0f, 1.0f, 1.0f, 1.0f},
     {1.0f, 1.0f, 1.0f, 1.0f},
     {0.0f, 0.0f, 1.0f, 0.0f}},
    {0.2f, 0.2f, 0.2f, 1.0f},
    false,
    GL_FRONT_AND_BACK,
    GL_AMBIENT_AND_DIFFUSE,
    GL_SMOOTH,
    {0.2f, 0.2f, 0.2f, 1.0f},
    {0.8f, 0.8f, 0.8f, 1.0f},
    1.0f,
    GL_EXP,
    1.0f,
    0.0f,
    1.0f,
    {0.0f, 0.0f, 0.0f, 0.0f},
};

// ---- Attribute stacks -------------------------------------------------------------------------
// GL's minimum depth for both stacks.
constexpr int32_t ATTRIBUTE_DEPTH = 16;

struct SavedServer {
    GLbitfield mask;
    ServerState state;
};
struct SavedClient {
    GLbitfield mask;
    ClientState state;
};
static SavedServer server_stack[ATTRIBUTE_DEPTH];
static int32_t server_depth = 0;
static SavedClient client_stack[ATTRIBUTE_DEPTH];
static int32_t client_depth = 0;

static const PixelStore DEFAULT_PIXEL_STORE = {false, false, 0, 0, 0, 4};

bool gl_layer_open(bool webgl2) {
    if (!shader_open(webgl2)) return false;
    gl_state = DEFAULT_STATE;
    gl_client = ClientState{};
    gl_client.unpack = DEFAULT_PIXEL_STORE;
    gl_client.pack = DEFAULT_PIXEL_STORE;
    matrices_reset();
    emscripten_glGetIntegerv(GL_VIEWPORT, gl_viewport);
    first_error = GL_NO_ERROR;
    server_depth = 0;
    client_depth = 0;
    live = true;
    return true;
}

void gl_layer_close() {
    if (live) shader_close();
    live = false;
}

bool gl_layer_live() { return live; }

void gl_fail(GLenum error) {
    if (first_error == GL_NO_ERROR) first_error = error;
}

GLenum glGetError() {
    if (!live) return GL_NO_ERROR;
    GLenum error = first_error;
    first_error = GL_NO_ERROR;
    return error != GL_NO_ERROR ? error : emscripten_glGetError();
}

// ---- Enables ----------------------------------------------------------------------------------
// The flag a capability is kept in, and whether WebGL has it too; null for one the layer lacks.
static bool* capability(GLenum cap, bool* in_webgl) {
    *in_webgl = false;
    switch (cap) {
    case GL_LIGHTING: return &gl_state.lighting;
    case GL_LIGHT0: return &gl_state.light0;
    case GL_COLOR_MATERIAL: return &gl_state.colour_material;
    case GL_FOG: return &gl_state.fog;
    // Texturing is kept as a flag: no texture is ever given, and GL does not texture from an
    // incomplete one.
    case GL_TEXTURE_2D: return &gl_state.texture_2d;
    case GL_DEPTH_TEST: *in_webgl = true; return &gl_state.depth_test;
    case GL_CULL_FACE: *in_webgl = true; return &gl_state.cull_face;
    case GL_BLEND: *in_webgl = true; return &gl_state.blend;
    default: return nullptr;
    }
}

static void set_capability(GLenum cap, bool on) {
    if (!live) return;
    bool in_webgl = false;
    bool* flag = capability(cap, &in_webgl);
    if (flag == nullptr) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    *flag = on;
    if (in_webgl) on ? emscripten_glEnable(cap) : emscripten_glDisable(cap);
}

void glEnable(GLenum cap) { set_capability(cap, true); }
void glDisable(GLenum cap) { set_capability(cap, false); }

GLboolean glIsEnabled(GLenum cap) {
    if (!live) return GL_FALSE;
    bool in_webgl = false;
    bool* flag = capability(cap, &in_webgl);
    if (flag == nullptr) gl_fail(GL_INVALID_ENUM);
    return flag != nullptr && *flag ? GL_TRUE : GL_FALSE;
}

static void webgl_enables_apply() {
    gl_state.depth_test ? emscripten_glEnable(GL_DEPTH_TEST) : emscripten_glDisable(GL_DEPTH_TEST);
    gl_state.cull_face ? emscripten_glEnable(GL_CULL_FACE) : emscripten_glDisable(GL_CULL_FACE);
    gl_state.blend ? emscripten_glEnable(GL_BLEND) : emscripten_glDisable(GL_BLEND);
}

// ---- Framebuffer calls WebGL takes as they are ------------------------------------------------
void glClear(GLbitfield mask) {
    if (live) emscripten_glClear(mask);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    if (live) emscripten_glClearColor(r, g, b, a);
}

void glBlendFunc(GLenum source, GLenum destination) {
    if (live) emscripten_glBlendFunc(source, destination);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (!live) return;
    if (width < 0 || height < 0) {
        gl_fail(GL_INVALID_VALUE);
        return;
    }
    gl_viewport[0] = x, gl_viewport[1] = y, gl_viewport[2] = width, gl_viewport[3] = height;
    emscripten_glViewport(x, y, width, height);
}

void glPointSize(GLfloat size) {
    if (!live) return;
    if (size <= 0.0f) {
        gl_fail(GL_INVALID_VALUE);
        return;
    }
    gl_state.point_size = size;
}

// WebGL interpolates with perspective correction and the shader fogs per fragment, as the
// nicest hints ask; the others have nothing to choose here.
void glHint(GLenum, GLenum) {}

// GLSL ES 1.00 has no flat varyings: only smooth shading is offered.
void glShadeModel(GLenum mode) {
    if (!live) return;
    if (mode != GL_SMOOTH) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    gl_state.shade_model = mode;
}

// ---- State queries ----------------------------------------------------------------------------
void glGetFloatv(GLenum name, GLfloat* values) {
    if (!live) return;
    auto copy = [values](const float* from, size_t count) {
        std::memcpy(values, from, count * sizeof(float));
    };
    switch (name) {
    case GL_MODELVIEW_MATRIX: copy(gl_modelview(), 16); break;
    case GL_PROJECTION_MATRIX: copy(gl_projection(), 16); break;
    case GL_LIGHT_MODEL_AMBIENT: copy(gl_state.model_ambient, 4); break;
    case GL_FOG_DENSITY: copy(&gl_state.fog_density, 1); break;
    case GL_FOG_START: copy(&gl_state.fog_start, 1); break;
    case GL_FOG_END: copy(&gl_state.fog_end, 1); break;
    case GL_FOG_COLOR: copy(gl_state.fog_colour, 4); break;
    case GL_CURRENT_COLOR: copy(gl_state.colour, 4); break;
    case GL_CURRENT_NORMAL: copy(gl_state.normal, 3); break;
    case GL_CURRENT_RASTER_POSITION: copy(gl_state.raster_position, 4); break;
    case GL_VIEWPORT:
        for (int k = 0; k < 4; ++k) values[k] = static_cast<float>(gl_viewport[k]);
        break;
    default: emscripten_glGetFloatv(name, values); break;
    }
}

void glGetIntegerv(GLenum name, GLint* values) {
    if (!live) return;
    switch (name) {
    case GL_VIEWPORT: std::memcpy(values, gl_viewport, sizeof gl_viewport); break;
    case GL_MATRIX_MODE: values[0] = static_cast<GLint>(matrices_mode()); break;
    case GL_FOG_MODE: values[0] = static_cast<GLint>(gl_state.fog_mode); break;
    case GL_SHADE_MODEL: values[0] = static_cast<GLint>(gl_state.shade_model); break;
    default: emscripten_glGetIntegerv(name, values); break;
    }
}

void glPushAttrib(GLbitfield mask) {
    if (!live) return;
    if (server_depth == ATTRIBUTE_DEPTH) {
        gl_fail(GL_STACK_OVERFLOW);
        return;
    }
    server_stack[server_depth++] = {mask, gl_state};
}

// The groups the layer keeps: current values, enables, lighting and fog. The others are left as
// they are.
void glPopAttrib() {
    if (!live) return;
    if (server_depth == 0) {
        gl_fail(GL_STACK_UNDERFLOW);
        return;
    }
    const SavedServer& saved = server_stack[--server_depth];
    const ServerState& from = saved.state;
    ServerState& to = gl_state;
    if (saved.mask & GL_CURRENT_BIT) {
        std::memcpy(to.colour, from.colour, sizeof to.colour);
        std::memcpy(to.normal, from.normal, sizeof to.normal);
        std::memcpy(to.raster_position, from.raster_position, sizeof to.raster_position);
        std::memcpy(to.raster_colour, from.raster_colour, sizeof to.raster_colour);
        to.raster_eye_distance = from.raster_eye_distance;
        to.raster_valid = from.raster_valid;
    }
    if (saved.mask & GL_ENABLE_BIT) {
        to.lighting = from.lighting, to.light0 = from.light0;
        to.colour_material = from.colour_material, to.fog = from.fog;
        to.depth_test = from.depth_test, to.cull_face = from.cull_face;
        to.blend = from.blend, to.texture_2d = from.texture_2d;
    }
    if (saved.mask & GL_LIGHTING_BIT) {
        to.lighting = from.lighting, to.light0 = from.light0;
        to.colour_material = from.colour_material;
        to.light = from.light, to.two_side = from.two_side;
        std::memcpy(to.model_ambient, from.model_ambient, sizeof to.model_ambient);
        to.colour_material_face = from.colour_material_face;
        to.colour_material_mode = from.colour_material_mode;
        to.shade_model = from.shade_model;
        std::memcpy(to.material_ambient, from.material_ambient, sizeof to.material_ambient);
        std::memcpy(to.material_diffuse, from.material_diffuse, sizeof to.material_diffuse);
    }
    if (saved.mask & GL_FOG_BIT) {
        to.fog = from.fog, to.fog_mode = from.fog_mode, to.fog_density = from.fog_density;
        to.fog_start = from.fog_start, to.fog_end = from.fog_end;
        std::memcpy(to.fog_colour, from.fog_colour, sizeof to.fog_colour);
    }
    webgl_enables_apply();
}

void glPushClientAttrib(GLbitfield mask) {
    if (!live) return;
    if (client_depth == ATTRIBUTE_DEPTH) {
        gl_fail(GL_STACK_OVERFLOW);
        return;
    }
    client_stack[client_depth++] = {mask, gl_client};
}

void glPopClientAttrib() {
    if (!live) return;
    if (client_depth == 0) {
        gl_fail(GL_STACK_UNDERFLOW);
        return;
    }
    const SavedClient& saved = client_stack[--client_depth];
    if (saved.mask & GL_CLIENT_PIXEL_STORE_BIT) {
        gl_client.unpack = saved.state.unpack;
        gl_client.pack = saved.state.pack;
    }
    if (saved.mask & GL_CLIENT_VERTEX_ARRAY_BIT) {
        gl_client.vertex = saved.state.vertex;
        gl_client.normal = saved.state.normal;
        gl_client.colour = saved.state.colour;
    }
}

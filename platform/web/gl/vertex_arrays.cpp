// Vertex, normal and colour arrays in the program's memory, drawn with glDrawElements. WebGL
// draws only from buffers, so each draw streams the bytes its indices reach (one span covering
// every enabled array, which serves interleaved arrays with one upload) and the indices into the
// layer's two buffers. An attribute whose array is off takes the current value.
#include <algorithm>

#include "platform/web/gl/gl_layer.h"
#include "platform/web/gl/webgl_calls.h"

static ClientArray* client_array(GLenum array) {
    switch (array) {
    case GL_VERTEX_ARRAY: return &gl_client.vertex;
    case GL_NORMAL_ARRAY: return &gl_client.normal;
    case GL_COLOR_ARRAY: return &gl_client.colour;
    default: return nullptr;
    }
}

static void set_client_state(GLenum array, bool on) {
    if (!gl_layer_live()) return;
    ClientArray* a = client_array(array);
    if (a == nullptr) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    a->enabled = on;
}

void glEnableClientState(GLenum array) { set_client_state(array, true); }
void glDisableClientState(GLenum array) { set_client_state(array, false); }

// Arrays of floats only, of as many components as the array takes: what the program hands GL.
static void set_pointer(ClientArray* a, bool size_allowed, GLint size, GLenum type, GLsizei stride,
                        const void* pointer) {
    if (!gl_layer_live()) return;
    if (!size_allowed) {
        gl_fail(GL_INVALID_VALUE);
        return;
    }
    if (type != GL_FLOAT) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    if (stride < 0) {
        gl_fail(GL_INVALID_VALUE);
        return;
    }
    *a = {a->enabled, size, type, stride, pointer};
}

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    set_pointer(&gl_client.vertex, size >= 2 && size <= 4, size, type, stride, pointer);
}

void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer) {
    set_pointer(&gl_client.normal, true, 3, type, stride, pointer);
}

void glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    set_pointer(&gl_client.colour, size == 3 || size == 4, size, type, stride, pointer);
}

static GLsizei array_stride(const ClientArray& a) {
    return a.stride != 0 ? a.stride : a.size * static_cast<GLsizei>(sizeof(float));
}

// The largest index of the draw, or -1 for an index type the layer does not take.
static int64_t largest_index(GLsizei count, GLenum type, const void* indices) {
    uint32_t largest = 0;
    for (GLsizei k = 0; k < count; ++k) {
        uint32_t index = type == GL_UNSIGNED_INT     ? static_cast<const uint32_t*>(indices)[k]
                         : type == GL_UNSIGNED_SHORT ? static_cast<const uint16_t*>(indices)[k]
                                                     : static_cast<const uint8_t*>(indices)[k];
        largest = std::max(largest, index);
    }
    return largest;
}

static size_t index_bytes(GLenum type) {
    return type == GL_UNSIGNED_INT ? 4 : type == GL_UNSIGNED_SHORT ? 2 : 1;
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
    if (!gl_layer_live()) return;
    if (type != GL_UNSIGNED_INT && type != GL_UNSIGNED_SHORT && type != GL_UNSIGNED_BYTE) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    if (!primitive_drawable(mode)) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    if (count < 0) {
        gl_fail(GL_INVALID_VALUE);
        return;
    }
    // Without a vertex array there are no vertices to draw.
    if (count == 0 || !gl_client.vertex.enabled) return;
    int64_t largest = largest_index(count, type, indices);
    ClientArray* arrays[3] = {&gl_client.vertex, &gl_client.normal, &gl_client.colour};
    const GLuint attributes[3] = {ATTRIBUTE_POSITION, ATTRIBUTE_NORMAL, ATTRIBUTE_COLOUR};
    uintptr_t low = UINTPTR_MAX, high = 0;
    for (const ClientArray* a : arrays) {
        if (!a->enabled) continue;
        uintptr_t begin = reinterpret_cast<uintptr_t>(a->pointer);
        uint64_t end = begin + static_cast<uint64_t>(largest) * array_stride(*a) +
                       static_cast<uint64_t>(a->size) * sizeof(float);
        // An index past the program's memory would read what is not there.
        if (end > __builtin_wasm_memory_size(0) * 65536ull) {
            gl_fail(GL_INVALID_VALUE);
            return;
        }
        low = std::min(low, begin);
        high = std::max(high, static_cast<uintptr_t>(end));
    }
    shader_prepare(false);
    emscripten_glBindBuffer(WEBGL_ARRAY_BUFFER, shader_vertex_buffer());
    emscripten_glBufferData(WEBGL_ARRAY_BUFFER, static_cast<ptrdiff_t>(high - low),
                            reinterpret_cast<const void*>(low), WEBGL_STREAM_DRAW);
    const float* current[3] = {nullptr, gl_state.normal, gl_state.colour};
    for (int k = 0; k < 3; ++k) {
        const ClientArray& a = *arrays[k];
        if (a.enabled) {
            emscripten_glEnableVertexAttribArray(attributes[k]);
            uintptr_t offset = reinterpret_cast<uintptr_t>(a.pointer) - low;
            emscripten_glVertexAttribPointer(attributes[k], a.size, GL_FLOAT, GL_FALSE,
                                             array_stride(a),
                                             reinterpret_cast<const void*>(offset));
        } else {
            const float normal_or_colour[4] = {current[k][0], current[k][1], current[k][2],
                                               k == 2 ? current[k][3] : 0.0f};
            emscripten_glDisableVertexAttribArray(attributes[k]);
            emscripten_glVertexAttrib4fv(attributes[k], normal_or_colour);
        }
    }
    emscripten_glBindBuffer(WEBGL_ELEMENT_ARRAY_BUFFER, shader_index_buffer());
    emscripten_glBufferData(WEBGL_ELEMENT_ARRAY_BUFFER,
                            static_cast<ptrdiff_t>(static_cast<size_t>(count) * index_bytes(type)),
                            indices, WEBGL_STREAM_DRAW);
    emscripten_glDrawElements(mode, count, type, nullptr);
}

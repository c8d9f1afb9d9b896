// Pixel storage and reading the frame back. WebGL reads RGBA bytes; other layouts the program
// asks for (RGB rows, packed to its alignment) are made from them.
#include <cstring>
#include <vector>

#include "platform/web/gl/gl_layer.h"
#include "platform/web/gl/webgl_calls.h"

void glPixelStorei(GLenum name, GLint value) {
    if (!gl_layer_live()) return;
    PixelStore& u = gl_client.unpack;
    PixelStore& p = gl_client.pack;
    bool is_alignment = name == GL_UNPACK_ALIGNMENT || name == GL_PACK_ALIGNMENT;
    if (is_alignment ? value != 1 && value != 2 && value != 4 && value != 8 : value < 0) {
        gl_fail(GL_INVALID_VALUE);
        return;
    }
    switch (name) {
    case GL_UNPACK_SWAP_BYTES: u.swap_bytes = value != 0; break;
    case GL_UNPACK_LSB_FIRST: u.lsb_first = value != 0; break;
    case GL_UNPACK_ROW_LENGTH: u.row_length = value; break;
    case GL_UNPACK_SKIP_ROWS: u.skip_rows = value; break;
    case GL_UNPACK_SKIP_PIXELS: u.skip_pixels = value; break;
    case GL_UNPACK_ALIGNMENT: u.alignment = value; break;
    case GL_PACK_ROW_LENGTH: p.row_length = value; break;
    case GL_PACK_SKIP_ROWS: p.skip_rows = value; break;
    case GL_PACK_SKIP_PIXELS: p.skip_pixels = value; break;
    case GL_PACK_ALIGNMENT: p.alignment = value; break;
    default: gl_fail(GL_INVALID_ENUM); break;
    }
}

// The drawing buffer is the one buffer a WebGL page draws to and reads from.
void glReadBuffer(GLenum mode) {
    if (gl_layer_live() && mode != GL_BACK) gl_fail(GL_INVALID_ENUM);
}

static std::vector<uint8_t> rgba;

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  GLvoid* pixels) {
    if (!gl_layer_live()) return;
    if ((format != GL_RGB && format != GL_RGBA) || type != GL_UNSIGNED_BYTE) {
        gl_fail(GL_INVALID_ENUM);
        return;
    }
    if (width < 0 || height < 0) {
        gl_fail(GL_INVALID_VALUE);
        return;
    }
    if (width == 0 || height == 0) return;
    size_t w = static_cast<size_t>(width);
    rgba.resize(w * static_cast<size_t>(height) * 4);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const PixelStore& p = gl_client.pack;
    size_t channels = format == GL_RGB ? 3 : 4;
    size_t row_pixels = p.row_length > 0 ? static_cast<size_t>(p.row_length) : w;
    size_t alignment = static_cast<size_t>(p.alignment);
    size_t row_bytes = (row_pixels * channels + alignment - 1) / alignment * alignment;
    auto* out = static_cast<uint8_t*>(pixels) + static_cast<size_t>(p.skip_rows) * row_bytes +
                static_cast<size_t>(p.skip_pixels) * channels;
    for (size_t row = 0; row < static_cast<size_t>(height); ++row) {
        const uint8_t* from = rgba.data() + row * w * 4;
        uint8_t* to = out + row * row_bytes;
        for (size_t k = 0; k < w; ++k) std::memcpy(to + k * channels, from + k * 4, channels);
    }
}

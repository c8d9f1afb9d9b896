// The WebGL entry points the layer draws through. Emscripten offers every WebGL call under an
// emscripten_ name as well as under its GL name; the GL names are the program's fixed-function
// calls here, implemented by this layer, so the layer reaches WebGL by the other names. Declared
// here with the desktop header's types rather than through GLES2/gl2.h, whose types clash with it.
#pragma once

#include <GL/gl.h>

#include <cstddef>

extern "C" {
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glClear(GLbitfield mask);
void emscripten_glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void emscripten_glBlendFunc(GLenum source, GLenum destination);
void emscripten_glDepthMask(GLboolean flag);
void emscripten_glGetFloatv(GLenum name, GLfloat* values);
void emscripten_glGetIntegerv(GLenum name, GLint* values);
GLenum emscripten_glGetError();
void emscripten_glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, void* pixels);
void emscripten_glPixelStorei(GLenum name, GLint value);

GLuint emscripten_glCreateShader(GLenum type);
void emscripten_glShaderSource(GLuint shader, GLsizei count, const char* const* text,
                               const GLint* lengths);
void emscripten_glCompileShader(GLuint shader);
void emscripten_glGetShaderiv(GLuint shader, GLenum name, GLint* value);
void emscripten_glGetShaderInfoLog(GLuint shader, GLsizei size, GLsizei* length, char* log);
GLuint emscripten_glCreateProgram();
void emscripten_glAttachShader(GLuint program, GLuint shader);
void emscripten_glBindAttribLocation(GLuint program, GLuint index, const char* name);
void emscripten_glLinkProgram(GLuint program);
void emscripten_glGetProgramiv(GLuint program, GLenum name, GLint* value);
void emscripten_glGetProgramInfoLog(GLuint program, GLsizei size, GLsizei* length, char* log);
void emscripten_glUseProgram(GLuint program);
void emscripten_glDeleteShader(GLuint shader);
void emscripten_glDeleteProgram(GLuint program);
GLint emscripten_glGetUniformLocation(GLuint program, const char* name);
void emscripten_glUniform1i(GLint location, GLint value);
void emscripten_glUniform1f(GLint location, GLfloat value);
void emscripten_glUniform4fv(GLint location, GLsizei count, const GLfloat* value);
void emscripten_glUniformMatrix3fv(GLint location, GLsizei count, GLboolean transpose,
                                   const GLfloat* value);
void emscripten_glUniformMatrix4fv(GLint location, GLsizei count, GLboolean transpose,
                                   const GLfloat* value);

void emscripten_glGenBuffers(GLsizei count, GLuint* buffers);
void emscripten_glDeleteBuffers(GLsizei count, const GLuint* buffers);
void emscripten_glBindBuffer(GLenum target, GLuint buffer);
void emscripten_glBufferData(GLenum target, ptrdiff_t size, const void* data, GLenum usage);
void emscripten_glEnableVertexAttribArray(GLuint index);
void emscripten_glDisableVertexAttribArray(GLuint index);
void emscripten_glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                      GLsizei stride, const void* offset);
void emscripten_glVertexAttrib4fv(GLuint index, const GLfloat* value);
void emscripten_glDrawArrays(GLenum mode, GLint first, GLsizei count);
void emscripten_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset);
}

// Buffer targets and shader enums of WebGL that the desktop header does not name.
constexpr GLenum WEBGL_ARRAY_BUFFER = 0x8892;
constexpr GLenum WEBGL_ELEMENT_ARRAY_BUFFER = 0x8893;
constexpr GLenum WEBGL_STREAM_DRAW = 0x88E0;
constexpr GLenum WEBGL_FRAGMENT_SHADER = 0x8B30;
constexpr GLenum WEBGL_VERTEX_SHADER = 0x8B31;
constexpr GLenum WEBGL_COMPILE_STATUS = 0x8B81;
constexpr GLenum WEBGL_LINK_STATUS = 0x8B82;

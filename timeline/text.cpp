// Text drawn as 9x15 bitmap glyphs at a 3D raster position.
#include <GL/gl.h>

#include "timeline/font_9x15.h"
#include "timeline/timeline.h"

float text_pos[3] = {-0.7f, 0.0f, 0.0f};
float text_colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// Characters outside the table (none of the demo's texts has one) are left out and do not move
// the raster position.
static void draw_glyph(signed char c) {
    if (c < FONT_FIRST || c > FONT_LAST) return;
    glBitmap(FONT_WIDTH, FONT_HEIGHT, FONT_X_ORIGIN, FONT_Y_ORIGIN, FONT_ADVANCE, 0.0f,
             font_9x15_glyphs[c - FONT_FIRST]);
}

void text_draw(const char* text, const float* position, const float* colour) {
    glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT);
    glDisable(GL_LIGHTING);
    // The colour comes before the raster position, which takes the current colour.
    glColor4fv(colour);
    glRasterPos3fv(position);
    // The table's rows are packed bytes, whatever unpacking the caller has set.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const char* c = text; *c != '\0'; ++c) draw_glyph(static_cast<signed char>(*c));
    glPopClientAttrib();
    glPopAttrib();
}

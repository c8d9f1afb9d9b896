// Text drawn as GLUT bitmap characters at a 3D raster position.
#include <GL/gl.h>
#include <GL/glut.h>

#include "timeline/timeline.h"

float text_pos[3] = {-0.7f, 0.0f, 0.0f};
float text_colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

void text_draw(const char* text, const float* position, const float* colour) {
    glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT);
    glDisable(GL_LIGHTING);
    // The colour comes before the raster position, which takes the current colour.
    glColor4fv(colour);
    glRasterPos3fv(position);
    for (const char* c = text; *c != '\0'; ++c) {
        glutBitmapCharacter(GLUT_BITMAP_9_BY_15, static_cast<signed char>(*c));
    }
    glEnable(GL_LIGHTING);
    glPopAttrib();
}

#include "app/GlState.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

constexpr double FIELD_OF_VIEW_DEGREES = 54.0;
constexpr double NEAR_PLANE = 1.0;
constexpr double FAR_PLANE = 1000.0;

} // namespace

void setDefaultGlState() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glFrontFace(GL_CCW);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_LINE_STIPPLE);
    glDisable(GL_POINT_SMOOTH);
    glDisable(GL_LINE_SMOOTH);
}

void setLightingState() {
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    const GLfloat materialAmbient[] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat materialDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat materialSpecular[] = {0.6f, 0.6f, 0.6f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, materialAmbient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, materialDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 1.0f);

    const GLfloat lightAmbient[] = {0.8f, 0.8f, 0.8f, 1.0f};
    const GLfloat lightDiffuse[] = {0.25f, 0.25f, 0.25f, 1.0f};
    const GLfloat lightPosition[] = {-20.0f, -20.0f, 20.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glEnable(GL_LIGHT0);
}

void setClientView(int width, int height) {
    if (height == 0)
        height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW_DEGREES, static_cast<double>(width) / static_cast<double>(height),
                   NEAR_PLANE, FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

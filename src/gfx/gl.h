// The one include for OpenGL 1.1, its ARB extension types and GLU.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

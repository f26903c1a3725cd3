// Post-process vertex stage: the screen quad keeps the fixed-function transform and hands its
// texture coordinates to the fragment stage, with the parts of the blur that are the same for
// every pixel: the radius (from "slider", "slider2" and "time") and the glow scale. GLSL 1.10
// (the default without a #version line). Built with MULTIPLY_OVERLAY defined, it also hands
// on the second texture unit's coordinates (the screen overlay's).

uniform float slider;
uniform float slider2;
uniform float time;

varying float spread;
varying float glowScale;

void main()
{
    float strength = clamp(slider2, 0.0, 3.0);
    // The radius widens with the music and shimmers slowly with time.
    spread = slider * (0.9 + 0.2 * strength) * (1.0 + 0.06 * sin(time * 1.3));
    glowScale = 0.5 * strength;
    gl_TexCoord[0] = gl_MultiTexCoord0;
#ifdef MULTIPLY_OVERLAY
    gl_TexCoord[1] = gl_MultiTexCoord1;
#endif
    gl_Position = ftransform();
}

// Post-process vertex stage: the screen quad keeps the fixed-function transform and hands its
// texture coordinates to the fragment stage. GLSL 1.10 (the default without a #version line).

void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}

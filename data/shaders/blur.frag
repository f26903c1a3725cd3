// Post-process fragment stage: a soft blur of the captured frame with a glow on its bright
// parts. "slider" is the blur radius in texture units, "slider2" the glow strength (0.5 when
// the music is quiet, rising with its spectrum), "time" the demo time in seconds.
// GLSL 1.10 (the default without a #version line). Nine taps per pixel.

uniform sampler2D texture;
uniform float slider;
uniform float slider2;
uniform float time;

// One tap, kept half a texel inside the 512 x 512 frame so the edges do not wrap around.
vec3 tap(vec2 uv)
{
    return texture2D(texture, clamp(uv, 0.001, 0.999)).rgb;
}

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    float strength = clamp(slider2, 0.0, 2.5);

    // The radius widens a little with the music and shimmers slowly with time.
    float spread = slider * (0.85 + 0.3 * strength) * (1.0 + 0.08 * sin(time * 1.3));
    vec2 a = vec2(spread, 0.0);
    vec2 b = vec2(0.0, spread);
    vec2 c = vec2(1.4, 1.4) * spread;
    vec2 d = vec2(1.4, -1.4) * spread;

    vec3 centre = tap(uv);
    vec3 ring = tap(uv + a) + tap(uv - a) + tap(uv + b) + tap(uv - b);
    vec3 outer = tap(uv + c) + tap(uv - c) + tap(uv + d) + tap(uv - d);
    vec3 blurred = centre * 0.2 + ring * 0.125 + outer * 0.075;

    // Only what is already bright glows; the glow grows with the music.
    float luma = dot(blurred, vec3(0.299, 0.587, 0.114));
    vec3 glow = blurred * smoothstep(0.3, 0.9, luma);

    vec3 colour = mix(centre, blurred, 0.45) + glow * (0.6 * strength);
    gl_FragColor = vec4(colour, 1.0);
}

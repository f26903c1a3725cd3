// Post-process fragment stage: a soft blur of the captured frame and a glow around its bright
// parts. "slider" is the blur radius in texture units, "slider2" the glow strength (0.5 while
// the music is quiet, rising with its spectrum, so the picture breathes with it), "time" the
// demo time in seconds; the vertex stage works out the radius and glow scale they give. GLSL
// 1.10 (the default without a #version line).
//
// Built as it is, it does everything in one pass: seven taps a pixel. Variants built with
// defines share the work out:
// - FAR_GLOW_MAP: draws the far glow map, a small square (one texel per 4 x 4 of the frame)
//   holding the mean of the far glow's taps over its reach.
// - FAR_GLOW_FROM_MAP: the picture, with its far glow read from that map ("farGlow") in one
//   smooth tap instead of two dithered ones: six taps a pixel.
// - MULTIPLY_OVERLAY: the result multiplied by the screen overlay ("overlay", on the second
//   texture unit), which then needs no pass of its own.

uniform sampler2D texture;
uniform float slider;
uniform float slider2;
uniform float time;

varying float spread;
varying float glowScale;

#ifdef MULTIPLY_OVERLAY
uniform sampler2D overlay;
#endif
#ifdef FAR_GLOW_FROM_MAP
uniform sampler2D farGlow;
#endif

// One tap, kept inside the 512 x 512 frame so the edges do not wrap around.
vec3 tap(vec2 uv)
{
    return texture2D(texture, clamp(uv, 0.001, 0.999)).rgb;
}

// What is left of a colour above the glow threshold.
vec3 bright(vec3 colour)
{
    return max(colour - 0.4, 0.0);
}

// The bright parts at offset d out along both diagonals, on both sides.
vec3 diagonalGlow(vec2 uv, vec2 d)
{
    vec2 d2 = vec2(d.x, -d.y);
    return bright(tap(uv + d)) + bright(tap(uv - d)) + bright(tap(uv + d2)) + bright(tap(uv - d2));
}

#ifdef FAR_GLOW_MAP

void main()
{
    // The far glow reaches 0.6 to 1.4 times its radius: its mean over that span, from two
    // radii, a quarter and three quarters of the way along.
    vec2 d = vec2(2.2, 2.2) * spread;
    vec2 uv = gl_TexCoord[0].st;
    vec3 far = diagonalGlow(uv, d * 0.8) + diagonalGlow(uv, d * 1.2);
    gl_FragColor = vec4(far * 0.125, 1.0);
}

#else

void main()
{
    vec2 uv = gl_TexCoord[0].st;

    // The soft picture: the centre and its four neighbours.
    vec3 centre = tap(uv);
    vec3 n0 = tap(uv + vec2(spread, 0.0));
    vec3 n1 = tap(uv - vec2(spread, 0.0));
    vec3 n2 = tap(uv + vec2(0.0, spread));
    vec3 n3 = tap(uv - vec2(0.0, spread));
    vec3 soft = centre * 0.4 + (n0 + n1 + n2 + n3) * 0.15;

    // The glow reaches further, on the diagonals (four taps' worth).
#ifdef FAR_GLOW_FROM_MAP
    vec3 far = 4.0 * texture2D(farGlow, uv).rgb;
#else
    // Two taps, on one diagonal or the other in a checkerboard of pixels. A fixed per-pixel
    // dither of their radius turns the rings a few taps would leave around hard edges into a
    // smooth falloff.
    float dither = fract(52.9829 * fract(dot(gl_FragCoord.xy, vec2(0.06711, 0.00584))));
    vec2 d1 = vec2(2.2, 2.2) * (spread * (0.6 + 0.8 * dither));
    float flip = mod(floor(gl_FragCoord.x) + floor(gl_FragCoord.y), 2.0);
    d1.y = flip > 0.5 ? -d1.y : d1.y;
    vec3 far = 2.0 * (bright(tap(uv + d1)) + bright(tap(uv - d1)));
#endif
    vec3 near = bright(n0) + bright(n1) + bright(n2) + bright(n3);
    vec3 glow = near * 0.16 + far * 0.14;

    vec3 colour = soft + glow * glowScale;
#ifdef MULTIPLY_OVERLAY
    // Clamped first, as the picture under a multiplying pass would be.
    colour = clamp(colour, 0.0, 1.0) * texture2D(overlay, gl_TexCoord[1].st).rgb;
#endif
    gl_FragColor = vec4(colour, 1.0);
}

#endif

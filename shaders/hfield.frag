// Height-field fragment shader: terrain texture shaded by height and a directional light.
#version 120

uniform sampler2D tex;

varying float height;
varying float diffuse;

void main()
{
    // The ambient floor keeps slopes facing away from the light (or an
    // unlit scene, where the light direction is meaningless) readable.
    float light = 0.35 + 0.65 * diffuse;

    // Map height smoothly into (-1, 1) whatever the terrain's vertical scale,
    // then darken valleys and brighten peaks a little.
    float h = height / (abs(height) + 16.0);
    float heightShade = 0.85 + 0.15 * h;

    vec4 texel = texture2D(tex, gl_TexCoord[0].st);
    gl_FragColor = vec4(texel.rgb * light * heightShade, texel.a);
}

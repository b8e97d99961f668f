// Overlay/glyph fragment shader: texture unit 0 tinted by the draw colour.
#version 120

uniform sampler2D tex;
uniform vec4 colors;

void main()
{
    gl_FragColor = texture2D(tex, gl_TexCoord[0].st) * colors;
}

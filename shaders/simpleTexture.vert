// Overlay/glyph vertex shader: fixed-function transform, texture coordinate 0 passed through.
#version 120

// Glyph offset set by the font's bold pass. The glyph is already positioned
// by the model-view matrix, so it is declared for the engine but not applied.
uniform vec3 tpos;

void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}

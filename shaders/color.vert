// Plain colour vertex shader: fixed-function transform, vertex colour passed through.
#version 120

void main()
{
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}

// Plain colour fragment shader: outputs the interpolated vertex colour.
#version 120

void main()
{
    gl_FragColor = gl_Color;
}

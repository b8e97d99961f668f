// Directional light, per-vertex: outputs the colour lit at the vertices.
#version 120

void main()
{
    gl_FragColor = gl_Color;
}

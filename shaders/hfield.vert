// Height-field vertex shader: passes texture coordinate, object-space height and lighting terms.
#version 120

varying float height;   // object-space y of the terrain vertex
varying float diffuse;  // directional diffuse factor from light 0

void main()
{
    vec3 n = normalize(gl_NormalMatrix * gl_Normal);
    vec3 l = normalize(gl_LightSource[0].position.xyz);
    diffuse = max(dot(n, l), 0.0);
    height = gl_Vertex.y;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}

// Toon shading: passes the eye-space normal to the fragment stage.
#version 120

varying vec3 normal;

void main()
{
    normal = gl_NormalMatrix * gl_Normal;
    gl_Position = ftransform();
}

// Directional light, per-pixel: passes the eye-space normal and position and the texture
// coordinate of unit 0 to the fragment stage.
#version 120

varying vec3 normal;
varying vec3 eyePos;

void main()
{
    normal = gl_NormalMatrix * gl_Normal;
    eyePos = vec3(gl_ModelViewMatrix * gl_Vertex);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}

// Textured directional light, per-vertex: lighting at the vertices, texture coordinate passed through.
#version 120

void main()
{
    vec3 n = normalize(gl_NormalMatrix * gl_Normal);
    vec3 l = normalize(gl_LightSource[0].position.xyz);
    float nDotL = max(dot(n, l), 0.0);

    vec4 color = gl_FrontLightModelProduct.sceneColor
               + gl_FrontLightProduct[0].ambient
               + gl_FrontLightProduct[0].diffuse * nDotL;

    // Specular goes in the secondary colour so it is added after texturing
    // instead of being tinted by the texture.
    vec4 highlight = vec4(0.0);
    if (nDotL > 0.0 && gl_FrontMaterial.shininess > 0.0) {
        vec3 eyePos = vec3(gl_ModelViewMatrix * gl_Vertex);
        vec3 h = normalize(l + normalize(-eyePos));
        highlight = gl_FrontLightProduct[0].specular
             * pow(max(dot(n, h), 0.0), gl_FrontMaterial.shininess);
    }

    gl_FrontColor = vec4(color.rgb, gl_FrontMaterial.diffuse.a);
    gl_FrontSecondaryColor = vec4(highlight.rgb, 0.0);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}

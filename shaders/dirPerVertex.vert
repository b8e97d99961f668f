// Directional light, per-vertex: ambient + diffuse + specular from light 0, colour interpolated.
#version 120

void main()
{
    vec3 n = normalize(gl_NormalMatrix * gl_Normal);
    vec3 l = normalize(gl_LightSource[0].position.xyz);
    float nDotL = max(dot(n, l), 0.0);

    vec4 color = gl_FrontLightModelProduct.sceneColor
               + gl_FrontLightProduct[0].ambient
               + gl_FrontLightProduct[0].diffuse * nDotL;

    if (nDotL > 0.0 && gl_FrontMaterial.shininess > 0.0) {
        vec3 eyePos = vec3(gl_ModelViewMatrix * gl_Vertex);
        vec3 h = normalize(l + normalize(-eyePos));
        color += gl_FrontLightProduct[0].specular
               * pow(max(dot(n, h), 0.0), gl_FrontMaterial.shininess);
    }

    gl_FrontColor = vec4(color.rgb, gl_FrontMaterial.diffuse.a);
    gl_Position = ftransform();
}

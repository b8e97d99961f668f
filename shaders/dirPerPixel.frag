// Directional light, per-pixel: ambient + diffuse + specular from light 0 and the front material.
#version 120

varying vec3 normal;
varying vec3 eyePos;

void main()
{
    vec3 n = normalize(normal);
    vec3 l = normalize(gl_LightSource[0].position.xyz);
    float nDotL = max(dot(n, l), 0.0);

    vec4 color = gl_FrontLightModelProduct.sceneColor
               + gl_FrontLightProduct[0].ambient
               + gl_FrontLightProduct[0].diffuse * nDotL;

    if (nDotL > 0.0 && gl_FrontMaterial.shininess > 0.0) {
        vec3 h = normalize(l + normalize(-eyePos));
        color += gl_FrontLightProduct[0].specular
               * pow(max(dot(n, h), 0.0), gl_FrontMaterial.shininess);
    }

    gl_FragColor = vec4(color.rgb, gl_FrontMaterial.diffuse.a);
}

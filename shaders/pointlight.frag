// Point light, per-pixel: attenuated ambient + diffuse + specular from light 0.
#version 120

varying vec3 normal;
varying vec3 eyePos;

void main()
{
    vec3 n = normalize(normal);
    vec3 toLight = gl_LightSource[0].position.xyz - eyePos;
    float dist = length(toLight);
    vec3 l = toLight / dist;
    float nDotL = max(dot(n, l), 0.0);

    float atten = 1.0 / max(gl_LightSource[0].constantAttenuation
                          + gl_LightSource[0].linearAttenuation * dist
                          + gl_LightSource[0].quadraticAttenuation * dist * dist, 1e-4);

    vec4 lit = gl_FrontLightProduct[0].ambient
             + gl_FrontLightProduct[0].diffuse * nDotL;

    if (nDotL > 0.0 && gl_FrontMaterial.shininess > 0.0) {
        vec3 h = normalize(l + normalize(-eyePos));
        lit += gl_FrontLightProduct[0].specular
             * pow(max(dot(n, h), 0.0), gl_FrontMaterial.shininess);
    }

    vec4 color = gl_FrontLightModelProduct.sceneColor + lit * atten;
    gl_FragColor = vec4(color.rgb, gl_FrontMaterial.diffuse.a);
}

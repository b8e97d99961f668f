// Spot light, per-pixel: point light from light 0 restricted to its cone, with falloff.
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

    // Outside the cone the light contributes nothing; inside, it falls off
    // towards the edge by the spot exponent (0 means a hard-edged, even cone).
    float spotCos = dot(-l, normalize(gl_LightSource[0].spotDirection));
    if (spotCos < gl_LightSource[0].spotCosCutoff) {
        atten = 0.0;
    } else if (gl_LightSource[0].spotExponent > 0.0) {
        atten *= pow(max(spotCos, 0.0), gl_LightSource[0].spotExponent);
    }

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

// Directional light, per-pixel: ambient + diffuse from light 0 and the front material, modulated
// by the texture of unit 0 (plain white when no texture is bound), specular added on top.
#version 120

uniform sampler2D tex;

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

    vec3 highlight = vec3(0.0);
    if (nDotL > 0.0 && gl_FrontMaterial.shininess > 0.0) {
        vec3 h = normalize(l + normalize(-eyePos));
        highlight = gl_FrontLightProduct[0].specular.rgb
             * pow(max(dot(n, h), 0.0), gl_FrontMaterial.shininess);
    }

    vec4 texel = texture2D(tex, gl_TexCoord[0].st);
    gl_FragColor = vec4(texel.rgb * color.rgb + highlight, gl_FrontMaterial.diffuse.a);
}

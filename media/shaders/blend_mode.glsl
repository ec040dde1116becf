// The blend modes of objects drawn over a frame (the same table as
// blend_mode.hlsli). s: source (premultiplied), d: destination, alpha: the
// drawing's opacity. Modes 0 to 12 give the colour; 20 to 23 the whole pixel.

vec3 toYCbCr(vec3 c)
{
    return vec3(dot(c, vec3(0.299, 0.587, 0.114)), dot(c, vec3(-0.169, -0.331, 0.5)),
                dot(c, vec3(0.5, -0.419, -0.081)));
}

vec3 fromYCbCr(vec3 y)
{
    return vec3(y.x + 1.402 * y.z, y.x - 0.344 * y.y - 0.714 * y.z, y.x + 1.722 * y.y);
}

// v / v.a, defined as 0 where v.a is 0 (a transparent sum has no colour).
vec4 normalizedColor(vec4 v) { return v.a != 0.0 ? v / v.a : vec4(0.0); }

vec4 blendModeColor(int mode, vec4 s, vec4 d, float alpha)
{
    float sa = s.a;
    vec3 rgb;
    switch (mode) {
    case 1: rgb = s.rgb + d.rgb * sa; break;
    case 2: rgb = d.rgb * sa - s.rgb; break;
    case 3: rgb = d.rgb * s.rgb; break;
    case 4: rgb = s.rgb + d.rgb * (sa - s.rgb); break;
    case 5: {
        vec3 low = 2.0 * d.rgb * s.rgb;
        vec3 high = 2.0 * (s.rgb + d.rgb * (sa - s.rgb)) - sa;
        rgb = mix(high, low, lessThan(d.rgb, vec3(0.5)));
        break;
    }
    case 6: rgb = max(s.rgb, sa * d.rgb); break;
    case 7: rgb = min(s.rgb, sa * d.rgb); break;
    case 8: {
        vec3 ys = toYCbCr(s.rgb), yd = toYCbCr(sa * d.rgb);
        rgb = fromYCbCr(vec3(ys.x, yd.y, yd.z));
        break;
    }
    case 9: {
        vec3 ys = toYCbCr(s.rgb), yd = toYCbCr(sa * d.rgb);
        rgb = fromYCbCr(vec3(yd.x, ys.y, ys.z));
        break;
    }
    case 10: rgb = clamp(d.rgb * sa + s.rgb - sa, vec3(0.0), vec3(sa)); break;
    case 11: rgb = clamp(d.rgb * sa + 2.0 * s.rgb - sa, vec3(0.0), vec3(sa)); break;
    case 12: rgb = abs(d.rgb * sa - s.rgb); break;
    case 20: return min(sa * alpha + d.a, 1.0) * normalizedColor(s * alpha + d);
    case 21: return min(sa * alpha + d.a, 1.0) * normalizedColor(s * alpha + d * (1.0 - sa * alpha));
    case 22: return max(d.a, sa * alpha) * normalizedColor(s * alpha + d);
    case 23: return max(d.a - sa * alpha, 0.0) * normalizedColor(d);
    default: rgb = s.rgb; break;
    }
    return vec4(rgb, sa) * alpha;
}

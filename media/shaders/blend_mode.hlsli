// The blend modes of pictures drawn over a frame. s: source (premultiplied),
// d: destination, alpha: the drawing's opacity. Modes 0 to 12 give the colour
// (the caller's blend state composites it); 20 to 23 give the whole pixel.

float3 toYCbCr(float3 c)
{
    return float3(dot(c, float3(0.299, 0.587, 0.114)), dot(c, float3(-0.169, -0.331, 0.5)),
                  dot(c, float3(0.5, -0.419, -0.081)));
}

float3 fromYCbCr(float3 y)
{
    return float3(y.x + 1.402 * y.z, y.x - 0.344 * y.y - 0.714 * y.z, y.x + 1.722 * y.y);
}

// v / v.a, defined as 0 where v.a is 0 (a transparent sum has no colour).
float4 normalized(float4 v) { return v.a != 0 ? v / v.a : float4(0, 0, 0, 0); }

float4 blendModeColor(int mode, float4 s, float4 d, float alpha)
{
    float sa = s.a;
    float3 rgb;
    switch (mode) {
    case 1: rgb = s.rgb + d.rgb * sa; break;
    case 2: rgb = d.rgb * sa - s.rgb; break;
    case 3: rgb = d.rgb * s.rgb; break;
    case 4: rgb = s.rgb + d.rgb * (sa - s.rgb); break;
    case 5: {
        float3 low = 2 * d.rgb * s.rgb;
        float3 high = 2 * (s.rgb + d.rgb * (sa - s.rgb)) - sa;
        rgb = float3(d.r < 0.5 ? low.r : high.r, d.g < 0.5 ? low.g : high.g, d.b < 0.5 ? low.b : high.b);
        break;
    }
    case 6: rgb = max(s.rgb, sa * d.rgb); break;
    case 7: rgb = min(s.rgb, sa * d.rgb); break;
    case 8: {
        float3 ys = toYCbCr(s.rgb), yd = toYCbCr(sa * d.rgb);
        rgb = fromYCbCr(float3(ys.x, yd.y, yd.z));
        break;
    }
    case 9: {
        float3 ys = toYCbCr(s.rgb), yd = toYCbCr(sa * d.rgb);
        rgb = fromYCbCr(float3(yd.x, ys.y, ys.z));
        break;
    }
    case 10: rgb = clamp(d.rgb * sa + s.rgb - sa, 0, sa); break;
    case 11: rgb = clamp(d.rgb * sa + 2 * s.rgb - sa, 0, sa); break;
    case 12: rgb = abs(d.rgb * sa - s.rgb); break;
    case 20: return min(sa * alpha + d.a, 1) * normalized(s * alpha + d);
    case 21: return min(sa * alpha + d.a, 1) * normalized(s * alpha + d * (1 - sa * alpha));
    case 22: return max(d.a, sa * alpha) * normalized(s * alpha + d);
    case 23: return max(d.a - sa * alpha, 0) * normalized(d);
    default: rgb = s.rgb; break;
    }
    return float4(rgb, sa) * alpha;
}

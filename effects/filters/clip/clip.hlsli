// The soft step of the generated masks: t^2 (3 - 2t) of t clamped to 0..1.
float smoothUnit(float t)
{
    t = saturate(t);
    return t * t * (3 - 2 * t);
}

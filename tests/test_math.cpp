// Vector and matrix operations: the worked values, the exact bounds of the tolerance tests,
// in-place products and the null and degenerate inputs that must leave the output alone.
#include <d3dx9math.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

namespace {

const float kPi = 3.14159265f;
const float kEps = 1.1920929e-7f;  // 2^-23

D3DXMATRIX Filled(float v)
{
    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i) (&m._11)[i] = v;
    return m;
}

// Sixteen different values, so that a product that mixes rows and columns up shows it.
D3DXMATRIX Numbered(float start)
{
    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i) (&m._11)[i] = start + static_cast<float>(i) * 0.75f - 4.0f;
    return m;
}

bool SameBits(const D3DXMATRIX& a, const D3DXMATRIX& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool SameBits(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Equal element by element, where -0 and 0 are the same number (the view's dot products give -0).
bool SameValues(const D3DXMATRIX& a, const D3DXMATRIX& b)
{
    for (int i = 0; i < 16; ++i)
        if (!((&a._11)[i] == (&b._11)[i])) return false;
    return true;
}

D3DXMATRIX IdentityWith43(float z)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    m._43 = z;
    return m;
}

void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST(Math, NullArgumentsReturnNullAndWriteNothing)
{
    D3DXMATRIX m = Filled(7.0f), a = Numbered(1.0f);
    D3DXVECTOR3 v(1, 2, 3), w(4, 5, 6);
    EXPECT_EQ(D3DXMatrixIdentity(nullptr), nullptr);
    EXPECT_EQ(D3DXMatrixTranslation(nullptr, 1, 2, 3), nullptr);
    EXPECT_EQ(D3DXMatrixScaling(nullptr, 1, 2, 3), nullptr);
    EXPECT_EQ(D3DXMatrixRotationX(nullptr, 1), nullptr);
    EXPECT_EQ(D3DXMatrixRotationY(nullptr, 1), nullptr);
    EXPECT_EQ(D3DXMatrixRotationZ(nullptr, 1), nullptr);
    EXPECT_EQ(D3DXMatrixMultiply(nullptr, &a, &a), nullptr);
    EXPECT_EQ(D3DXMatrixMultiply(&m, nullptr, &a), nullptr);
    EXPECT_EQ(D3DXMatrixMultiply(&m, &a, nullptr), nullptr);
    EXPECT_EQ(D3DXVec3Normalize(nullptr, &v), nullptr);
    EXPECT_EQ(D3DXVec3Normalize(&w, nullptr), nullptr);
    EXPECT_EQ(D3DXVec3TransformCoord(nullptr, &v, &a), nullptr);
    EXPECT_EQ(D3DXVec3TransformCoord(&w, nullptr, &a), nullptr);
    EXPECT_EQ(D3DXVec3TransformCoord(&w, &v, nullptr), nullptr);
    EXPECT_EQ(D3DXMatrixLookAtLH(nullptr, &v, &w, &v), nullptr);
    EXPECT_EQ(D3DXMatrixLookAtLH(&m, nullptr, &w, &v), nullptr);
    EXPECT_EQ(D3DXMatrixLookAtLH(&m, &v, nullptr, &v), nullptr);
    EXPECT_EQ(D3DXMatrixLookAtLH(&m, &v, &w, nullptr), nullptr);
    EXPECT_EQ(D3DXMatrixPerspectiveFovLH(nullptr, 1, 1, 1, 2), nullptr);
    EXPECT_TRUE(SameBits(m, Filled(7.0f)));
    EXPECT_TRUE(SameBits(w, D3DXVECTOR3(4, 5, 6)));
}

TEST(Math, BasicMatricesFillEveryElement)
{
    // Start from garbage: every element the operation does not name must come out 0.
    D3DXMATRIX m = Filled(NAN), expected = Filled(0.0f);
    expected._11 = expected._22 = expected._33 = expected._44 = 1.0f;
    EXPECT_EQ(D3DXMatrixIdentity(&m), &m);
    EXPECT_TRUE(SameBits(m, expected));

    m = Filled(NAN);
    EXPECT_EQ(D3DXMatrixTranslation(&m, 0, 0, 0), &m);
    EXPECT_TRUE(SameBits(m, expected));
    D3DXMatrixTranslation(&m, 1.5f, -2.0f, 500.0f);
    EXPECT_EQ(m._41, 1.5f);
    EXPECT_EQ(m._42, -2.0f);
    EXPECT_EQ(m._43, 500.0f);

    m = Filled(NAN);
    D3DXMatrixScaling(&m, 2.0f, 3.0f, 4.0f);
    D3DXMATRIX scale = Filled(0.0f);
    scale._11 = 2.0f;
    scale._22 = 3.0f;
    scale._33 = 4.0f;
    scale._44 = 1.0f;
    EXPECT_TRUE(SameBits(m, scale));

    const float a = 0.7f, c = cosf(a), s = sinf(a);
    m = Filled(NAN);
    D3DXMatrixRotationX(&m, a);
    D3DXMATRIX rx = expected;
    rx._22 = c, rx._23 = s, rx._32 = -s, rx._33 = c;
    EXPECT_TRUE(SameBits(m, rx));
    m = Filled(NAN);
    D3DXMatrixRotationY(&m, a);
    D3DXMATRIX ry = expected;
    ry._11 = c, ry._13 = -s, ry._31 = s, ry._33 = c;
    EXPECT_TRUE(SameBits(m, ry));
    m = Filled(NAN);
    D3DXMatrixRotationZ(&m, a);
    D3DXMATRIX rz = expected;
    rz._11 = c, rz._12 = s, rz._21 = -s, rz._22 = c;
    EXPECT_TRUE(SameBits(m, rz));
}

TEST(Math, MultiplyIsRowTimesColumnAlsoInPlace)
{
    const D3DXMATRIX a = Numbered(1.0f), b = Numbered(-3.5f);
    D3DXMATRIX product;
    ASSERT_EQ(D3DXMatrixMultiply(&product, &a, &b), &product);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] +
                        a.m[r][3] * b.m[3][c];
            EXPECT_EQ(product.m[r][c], sum) << r << "," << c;
        }

    D3DXMATRIX left = a, right = b, both = a;
    EXPECT_EQ(D3DXMatrixMultiply(&left, &left, &b), &left);
    EXPECT_TRUE(SameBits(left, product));
    EXPECT_EQ(D3DXMatrixMultiply(&right, &a, &right), &right);
    EXPECT_TRUE(SameBits(right, product));
    D3DXMATRIX square;
    D3DXMatrixMultiply(&square, &a, &a);
    D3DXMatrixMultiply(&both, &both, &both);
    EXPECT_TRUE(SameBits(both, square));

    // A applied first, B second: translate then rotate moves the translated point.
    D3DXMATRIX t, rz, tr;
    D3DXMatrixTranslation(&t, 1, 0, 0);
    D3DXMatrixRotationZ(&rz, kPi / 2);
    D3DXMatrixMultiply(&tr, &t, &rz);
    D3DXVECTOR3 origin(0, 0, 0), moved;
    D3DXVec3TransformCoord(&moved, &origin, &tr);
    ExpectNear(moved, 0, 1, 0);
}

TEST(Math, TransformCoordTurnsTheAxesAsTheRotationsSay)
{
    D3DXMATRIX m;
    D3DXVECTOR3 out, x(1, 0, 0), z(0, 0, 1);
    D3DXMatrixRotationY(&m, kPi / 2);
    ASSERT_EQ(D3DXVec3TransformCoord(&out, &x, &m), &out);
    ExpectNear(out, 0, 0, -1);
    D3DXMatrixRotationX(&m, kPi / 2);
    D3DXVec3TransformCoord(&out, &z, &m);
    ExpectNear(out, 0, -1, 0);
    D3DXMatrixRotationZ(&m, kPi / 2);
    D3DXVec3TransformCoord(&out, &x, &m);
    ExpectNear(out, 0, 1, 0);

    // out may be the input: every component is read before one is written.
    D3DXVECTOR3 v(1, 2, 3);
    D3DXMatrixRotationZ(&m, 0.3f);
    D3DXVECTOR3 separate;
    D3DXVec3TransformCoord(&separate, &v, &m);
    D3DXVec3TransformCoord(&v, &v, &m);
    EXPECT_TRUE(SameBits(v, separate));
}

TEST(Math, TransformCoordDividesOnlyWhenWIsFurtherThanEpsilonFromOne)
{
    const D3DXVECTOR3 p(3.0f, -6.0f, 12.0f);
    D3DXMATRIX m;
    D3DXVECTOR3 out;
    for (float w : {1.0f, 1.0f + kEps, 1.0f - kEps}) {  // both bounds count as one
        D3DXMatrixIdentity(&m);
        m._44 = w;
        D3DXVec3TransformCoord(&out, &p, &m);
        EXPECT_TRUE(SameBits(out, p)) << w;
    }
    D3DXMatrixIdentity(&m);
    m._44 = 1.0f + 2 * kEps;
    D3DXVec3TransformCoord(&out, &p, &m);
    const float inv = 1.0f / (1.0f + 2 * kEps);
    EXPECT_EQ(out.x, 3.0f * inv);
    EXPECT_NE(out.x, 3.0f);

    D3DXMatrixIdentity(&m);
    m._34 = 1.0f;  // w = z + 1 = 13: a projective divide
    m._44 = 1.0f;
    D3DXVec3TransformCoord(&out, &p, &m);
    const float inv13 = 1.0f / 13.0f;
    EXPECT_EQ(out.x, 3.0f * inv13);
    EXPECT_EQ(out.z, 12.0f * inv13);
}

TEST(Math, NormalizeHandlesUnitZeroAndTinyVectors)
{
    D3DXVECTOR3 out;
    const D3DXVECTOR3 zero(0, 0, 0);
    ASSERT_EQ(D3DXVec3Normalize(&out, &zero), &out);
    EXPECT_TRUE(SameBits(out, zero));

    const D3DXVECTOR3 unit(0.6f, 0.8f, 0.0f);
    D3DXVec3Normalize(&out, &unit);
    EXPECT_TRUE(SameBits(out, unit));

    // Squared length exactly 2^-126 still counts as no direction; just above it normalises.
    const float atBound = std::ldexp(1.0f, -63);
    D3DXVECTOR3 tiny(atBound, 0, 0);
    D3DXVec3Normalize(&out, &tiny);
    EXPECT_TRUE(SameBits(out, zero));
    tiny.x = std::ldexp(1.0f, -62);
    D3DXVec3Normalize(&out, &tiny);
    EXPECT_EQ(out.x, 1.0f);

    D3DXVECTOR3 v(3, 0, 4);
    EXPECT_EQ(D3DXVec3Normalize(&v, &v), &v);
    ExpectNear(v, 0.6f, 0.0f, 0.8f);

    // A squared length of exactly 1 - eps still counts as unit and comes back bit for bit;
    // 1 - 2 eps is scaled, to exactly 1. (At 1 + eps scaling would change no bit.)
    const D3DXVECTOR3 atBoundUnit(1.0f - kEps / 2, 0, 0), beyond(1.0f - kEps, 0, 0);
    ASSERT_EQ(atBoundUnit.x * atBoundUnit.x, 1.0f - kEps);
    ASSERT_EQ(beyond.x * beyond.x, 1.0f - 2 * kEps);
    D3DXVec3Normalize(&out, &atBoundUnit);
    EXPECT_TRUE(SameBits(out, atBoundUnit));
    D3DXVec3Normalize(&out, &beyond);
    EXPECT_EQ(out.x, 1.0f);
}

TEST(Math, LookAtBuildsTheLeftHandedView)
{
    D3DXMATRIX m = Filled(NAN), id;
    D3DXMatrixIdentity(&id);
    const D3DXVECTOR3 origin(0, 0, 0), ahead(0, 0, 1), up(0, 1, 0);
    ASSERT_EQ(D3DXMatrixLookAtLH(&m, &origin, &ahead, &up), &m);
    EXPECT_TRUE(SameValues(m, id));

    const D3DXVECTOR3 back5(0, 0, -5);
    D3DXMatrixLookAtLH(&m, &back5, &origin, &up);
    EXPECT_TRUE(SameValues(m, IdentityWith43(5.0f)));

    // Up along the view: no side axis, so both it and the derived up vanish; no error.
    const D3DXVECTOR3 far2(0, 0, 2), zUp(0, 0, 1);
    m = Filled(NAN);
    D3DXMatrixLookAtLH(&m, &origin, &far2, &zUp);
    D3DXMATRIX expected = Filled(0.0f);
    expected._33 = 1.0f;
    expected._44 = 1.0f;
    EXPECT_TRUE(SameValues(m, expected));

    // Eye on the target: no viewing direction either, so all three axes vanish.
    const D3DXVECTOR3 eye(3, 4, 5);
    m = Filled(NAN);
    D3DXMatrixLookAtLH(&m, &eye, &eye, &up);
    expected._33 = 0.0f;
    EXPECT_TRUE(SameValues(m, expected));

    // From the side: eye on +x looking at the origin sees world -x as depth.
    const D3DXVECTOR3 side(10, 0, 0);
    D3DXMatrixLookAtLH(&m, &side, &origin, &up);
    D3DXVECTOR3 seen;
    D3DXVec3TransformCoord(&seen, &origin, &m);
    ExpectNear(seen, 0, 0, 10);
}

TEST(Math, PerspectiveProjectionAndItsDegenerateLenses)
{
    D3DXMATRIX m = Filled(NAN);
    ASSERT_EQ(D3DXMatrixPerspectiveFovLH(&m, kPi / 2, 1.0f, 1.0f, 100.0f), &m);
    EXPECT_NEAR(m._11, 1.0f, 1e-6f);
    EXPECT_EQ(m._11, m._22);
    EXPECT_EQ(m._33, 100.0f / 99.0f);
    EXPECT_EQ(m._34, 1.0f);
    EXPECT_EQ(m._43, -(m._33 * 1.0f));
    EXPECT_NEAR(m._43, -100.0f / 99.0f, 1e-6f);
    for (float e : {m._12, m._13, m._14, m._21, m._23, m._24, m._31, m._32, m._41, m._42, m._44})
        EXPECT_EQ(e, 0.0f);

    // The screen's 640 x 480: _11 is _22 over the aspect.
    const float aspect = 640.0f / 480.0f;
    D3DXMatrixPerspectiveFovLH(&m, 65.0f / 57.2f, aspect, 1.0f, 800.0f);
    EXPECT_EQ(m._11, m._22 / aspect);
    EXPECT_NEAR(m._11, m._22 / 1.3333f, 1e-4f);
    const float h = (65.0f / 57.2f) * 0.5f;
    EXPECT_EQ(m._22, cosf(h) / sinf(h));

    const D3DXMATRIX before = Filled(-9.0f);
    for (auto args : {std::array<float, 4>{0.0f, 1.0f, 1.0f, 2.0f}, std::array<float, 4>{1.0f, 0.0f, 1.0f, 2.0f},
                      std::array<float, 4>{1.0f, 1.0f, 5.0f, 5.0f}}) {
        m = before;
        EXPECT_EQ(D3DXMatrixPerspectiveFovLH(&m, args[0], args[1], args[2], args[3]), nullptr);
        EXPECT_TRUE(SameBits(m, before));
    }
}

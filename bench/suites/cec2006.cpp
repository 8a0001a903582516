#include "bench/suites/cec2006.h"

#include <algorithm>
#include <numbers>
#include <stdexcept>

namespace zarnel::suites::cec2006 {

namespace {

constexpr double kPi = std::numbers::pi;
using X = std::span<const double>;
using C = std::span<double>;

double Sq(double v) { return v * v; }
double Cube(double v) { return v * v * v; }

double G01(X x, C c) {
    c[0] = 2 * x[0] + 2 * x[1] + x[9] + x[10] - 10;
    c[1] = 2 * x[0] + 2 * x[2] + x[9] + x[11] - 10;
    c[2] = 2 * x[1] + 2 * x[2] + x[10] + x[11] - 10;
    c[3] = -8 * x[0] + x[9];
    c[4] = -8 * x[1] + x[10];
    c[5] = -8 * x[2] + x[11];
    c[6] = -2 * x[3] - x[4] + x[9];
    c[7] = -2 * x[5] - x[6] + x[10];
    c[8] = -2 * x[7] - x[8] + x[11];
    double f = 0;
    for (int i = 0; i < 4; ++i) f += 5 * x[i] - 5 * x[i] * x[i];
    for (int i = 4; i < 13; ++i) f -= x[i];
    return f;
}

double G02(X x, C c) {
    double quartic = 0, product = 1, weighted = 0, all = 1, sum = 0;
    for (std::size_t j = 0; j < x.size(); ++j) {
        const double cj = std::cos(x[j]);
        quartic += Sq(Sq(cj));
        product *= cj * cj;
        weighted += static_cast<double>(j + 1) * x[j] * x[j];
        all *= x[j];
        sum += x[j];
    }
    c[0] = 0.75 - all;
    c[1] = sum - 7.5 * static_cast<double>(x.size());
    return -std::fabs((quartic - 2 * product) / std::sqrt(weighted));
}

double G03(X x, C c) {
    const double root = std::sqrt(static_cast<double>(x.size()));
    double product = 1, squares = 0;
    for (const double v : x) {
        product *= root * v;
        squares += v * v;
    }
    c[0] = squares - 1;
    return -product;
}

double G04(X x, C c) {
    const double a = 85.334407 + 0.0056858 * x[1] * x[4] + 0.0006262 * x[0] * x[3] - 0.0022053 * x[2] * x[4];
    const double b = 80.51249 + 0.0071317 * x[1] * x[4] + 0.0029955 * x[0] * x[1] + 0.0021813 * x[2] * x[2];
    const double d = 9.300961 + 0.0047026 * x[2] * x[4] + 0.0012547 * x[0] * x[2] + 0.0019085 * x[2] * x[3];
    c[0] = a - 92;
    c[1] = -a;
    c[2] = b - 110;
    c[3] = 90 - b;
    c[4] = d - 25;
    c[5] = 20 - d;
    return 5.3578547 * x[2] * x[2] + 0.8356891 * x[0] * x[4] + 37.293239 * x[0] - 40792.141;
}

double G05(X x, C c) {
    c[0] = 1000 * std::sin(-x[2] - 0.25) + 1000 * std::sin(-x[3] - 0.25) + 894.8 - x[0];
    c[1] = 1000 * std::sin(x[2] - 0.25) + 1000 * std::sin(x[2] - x[3] - 0.25) + 894.8 - x[1];
    c[2] = 1000 * std::sin(x[3] - 0.25) + 1000 * std::sin(x[3] - x[2] - 0.25) + 1294.8;
    c[3] = -x[3] + x[2] - 0.55;
    c[4] = -x[2] + x[3] - 0.55;
    return 3 * x[0] + 0.000001 * Cube(x[0]) + 2 * x[1] + (0.000002 / 3) * Cube(x[1]);
}

double G06(X x, C c) {
    c[0] = 100 - Sq(x[0] - 5) - Sq(x[1] - 5);
    c[1] = Sq(x[0] - 6) + Sq(x[1] - 5) - 82.81;
    return Cube(x[0] - 10) + Cube(x[1] - 20);
}

double G07(X x, C c) {
    c[0] = -105 + 4 * x[0] + 5 * x[1] - 3 * x[6] + 9 * x[7];
    c[1] = 10 * x[0] - 8 * x[1] - 17 * x[6] + 2 * x[7];
    c[2] = -8 * x[0] + 2 * x[1] + 5 * x[8] - 2 * x[9] - 12;
    c[3] = 3 * Sq(x[0] - 2) + 4 * Sq(x[1] - 3) + 2 * x[2] * x[2] - 7 * x[3] - 120;
    c[4] = 5 * x[0] * x[0] + 8 * x[1] + Sq(x[2] - 6) - 2 * x[3] - 40;
    c[5] = x[0] * x[0] + 2 * Sq(x[1] - 2) - 2 * x[0] * x[1] + 14 * x[4] - 6 * x[5];
    c[6] = 0.5 * Sq(x[0] - 8) + 2 * Sq(x[1] - 4) + 3 * x[4] * x[4] - x[5] - 30;
    c[7] = -3 * x[0] + 6 * x[1] + 12 * Sq(x[8] - 8) - 7 * x[9];
    return x[0] * x[0] + x[1] * x[1] + x[0] * x[1] - 14 * x[0] - 16 * x[1] + Sq(x[2] - 10) +
           4 * Sq(x[3] - 5) + Sq(x[4] - 3) + 2 * Sq(x[5] - 1) + 5 * x[6] * x[6] + 7 * Sq(x[7] - 11) +
           2 * Sq(x[8] - 10) + Sq(x[9] - 7) + 45;
}

double G08(X x, C c) {
    c[0] = x[0] * x[0] - x[1] + 1;
    c[1] = 1 - x[0] + Sq(x[1] - 4);
    return -Cube(std::sin(2 * kPi * x[0])) * std::sin(2 * kPi * x[1]) / (Cube(x[0]) * (x[0] + x[1]));
}

double G09(X x, C c) {
    c[0] = -127 + 2 * x[0] * x[0] + 3 * Sq(Sq(x[1])) + x[2] + 4 * x[3] * x[3] + 5 * x[4];
    c[1] = -282 + 7 * x[0] + 3 * x[1] + 10 * x[2] * x[2] + x[3] - x[4];
    c[2] = -196 + 23 * x[0] + x[1] * x[1] + 6 * x[5] * x[5] - 8 * x[6];
    c[3] = 4 * x[0] * x[0] + x[1] * x[1] - 3 * x[0] * x[1] + 2 * x[2] * x[2] + 5 * x[5] - 11 * x[6];
    return Sq(x[0] - 10) + 5 * Sq(x[1] - 12) + Sq(Sq(x[2])) + 3 * Sq(x[3] - 11) + 10 * Cube(Sq(x[4])) +
           7 * x[5] * x[5] + Sq(Sq(x[6])) - 4 * x[5] * x[6] - 10 * x[5] - 8 * x[6];
}

double G10(X x, C c) {
    c[0] = -1 + 0.0025 * (x[3] + x[5]);
    c[1] = -1 + 0.0025 * (x[4] + x[6] - x[3]);
    c[2] = -1 + 0.01 * (x[7] - x[4]);
    c[3] = -x[0] * x[5] + 833.33252 * x[3] + 100 * x[0] - 83333.333;
    c[4] = -x[1] * x[6] + 1250 * x[4] + x[1] * x[3] - 1250 * x[3];
    c[5] = -x[2] * x[7] + 1250000 + x[2] * x[4] - 2500 * x[4];
    return x[0] + x[1] + x[2];
}

double G11(X x, C c) {
    c[0] = x[1] - x[0] * x[0];
    return x[0] * x[0] + Sq(x[1] - 1);
}

double G12(X x, C c) {
    // Feasible inside any of the 9^3 balls of radius 1/4 centred on the
    // integer points 1 … 9.
    double nearest = INFINITY;
    for (int i = 1; i <= 9; ++i) {
        for (int j = 1; j <= 9; ++j) {
            for (int k = 1; k <= 9; ++k)
                nearest = std::min(nearest, Sq(x[0] - i) + Sq(x[1] - j) + Sq(x[2] - k) - 0.0625);
        }
    }
    c[0] = nearest;
    return -(100 - Sq(x[0] - 5) - Sq(x[1] - 5) - Sq(x[2] - 5)) / 100;
}

double G13(X x, C c) {
    c[0] = x[0] * x[0] + x[1] * x[1] + x[2] * x[2] + x[3] * x[3] + x[4] * x[4] - 10;
    c[1] = x[1] * x[2] - 5 * x[3] * x[4];
    c[2] = Cube(x[0]) + Cube(x[1]) + 1;
    return std::exp(x[0] * x[1] * x[2] * x[3] * x[4]);
}

double G14(X x, C c) {
    static constexpr double kC[10] = {-6.089,  -17.164, -34.054, -5.914,  -24.721,
                                      -14.986, -24.100, -10.708, -26.662, -22.179};
    double total = 0;
    for (int i = 0; i < 10; ++i) total += x[i];
    double f = 0;
    for (int i = 0; i < 10; ++i) f += x[i] * (kC[i] + std::log(x[i] / total));
    c[0] = x[0] + 2 * x[1] + 2 * x[2] + x[5] + x[9] - 2;
    c[1] = x[3] + 2 * x[4] + x[5] + x[6] - 1;
    c[2] = x[2] + x[6] + x[7] + 2 * x[8] + x[9] - 1;
    return f;
}

double G15(X x, C c) {
    c[0] = x[0] * x[0] + x[1] * x[1] + x[2] * x[2] - 25;
    c[1] = 8 * x[0] + 14 * x[1] + 7 * x[2] - 56;
    return 1000 - x[0] * x[0] - 2 * x[1] * x[1] - x[2] * x[2] - x[0] * x[1] - x[0] * x[2];
}

double G16(X x, C c) {
    // The intermediate quantities y1 … y17 and c1 … c17 of the original
    // (a chemical plant model), 0-based here.
    double y[17], k[17];
    const double x1 = x[0], x2 = x[1], x3 = x[2], x4 = x[3], x5 = x[4];
    y[0] = x2 + x3 + 41.6;
    k[0] = 0.024 * x4 - 4.62;
    y[1] = 12.5 / k[0] + 12;
    k[1] = 0.0003535 * x1 * x1 + 0.5311 * x1 + 0.08705 * y[1] * x1;
    k[2] = 0.052 * x1 + 78 + 0.002377 * y[1] * x1;
    y[2] = k[1] / k[2];
    y[3] = 19 * y[2];
    k[3] = 0.04782 * (x1 - y[2]) + 0.1956 * Sq(x1 - y[2]) / x2 + 0.6376 * y[3] + 1.594 * y[2];
    k[4] = 100 * x2;
    k[5] = x1 - y[2] - y[3];
    k[6] = 0.950 - k[3] / k[4];
    y[4] = k[5] * k[6];
    y[5] = x1 - y[4] - y[3] - y[2];
    k[7] = (y[4] + y[3]) * 0.995;
    y[6] = k[7] / y[0];
    y[7] = k[7] / 3798;
    k[8] = y[6] - 0.0663 * y[6] / y[7] - 0.3153;
    y[8] = 96.82 / k[8] + 0.321 * y[0];
    y[9] = 1.29 * y[4] + 1.258 * y[3] + 2.29 * y[2] + 1.71 * y[5];
    y[10] = 1.71 * x1 - 0.452 * y[3] + 0.580 * y[2];
    k[9] = 12.3 / 752.3;
    k[10] = 1.75 * y[1] * 0.995 * x1;
    k[11] = 0.995 * y[9] + 1998;
    y[11] = k[9] * x1 + k[10] / k[11];
    y[12] = k[11] - 1.75 * y[1];
    y[13] = 3623 + 64.4 * x2 + 58.4 * x3 + 146312 / (y[8] + x5);
    k[12] = 0.995 * y[9] + 60.8 * x2 + 48 * x4 - 0.1121 * y[13] - 5095;
    y[14] = y[12] / k[12];
    y[15] = 148000 - 331000 * y[14] + 40 * y[12] - 61 * y[14] * y[12];
    k[13] = 2324 * y[9] - 28740000 * y[1];
    y[16] = 14130000 - 1328 * y[9] - 531 * y[10] + k[13] / k[11];
    k[14] = y[12] / y[14] - y[12] / 0.52;
    k[15] = 1.104 - 0.72 * y[14];
    k[16] = y[8] + x5;
    c[0] = -y[3] + (0.28 / 0.72) * y[4];
    c[1] = -1.5 * x2 + x3;
    c[2] = -21 + 3496 * y[1] / k[11];
    c[3] = -62212 / k[16] + 110.6 + y[0];
    // Each of y1 … y17 within its range: lower − y <= 0 and y − upper <= 0.
    static constexpr double kLow[17] = {213.1,    17.505,   11.275, 214.228,  7.458,    0.961,
                                        1.612,    0.146,    107.99, 922.693,  926.832,  18.766,
                                        1072.163, 8961.448, 0.063,  71084.33, 2802713.0};
    static constexpr double kHigh[17] = {405.23,   1053.6667, 35.03,   665.585,  584.463,   265.916,
                                         7.046,    0.222,     273.366, 1286.105, 1444.046,  537.141,
                                         3247.039, 26844.086, 0.386,   140000.0, 12146108.0};
    for (int i = 0; i < 17; ++i) {
        c[4 + 2 * i] = kLow[i] - y[i];
        c[5 + 2 * i] = y[i] - kHigh[i];
    }
    const double f = 0.0000005843 * y[16] - 0.000117 * y[13] - 0.1365 - 0.00002358 * y[12] -
                     0.000001502 * y[15] - 0.0321 * y[11] - 0.004324 * y[4] - 0.0001 * k[14] / k[15] -
                     37.48 * y[1] / k[11];
    return -f;
}

double G17(X x, C c) {
    const double x3x4 = x[2] * x[3];
    const double a =
        300 - (x3x4 * std::cos(1.48477 - x[5]) - 0.90798 * x[2] * x[2] * std::cos(1.47588)) / 131.078;
    const double b = -(x3x4 * std::cos(1.48477 + x[5]) - 0.90798 * x[3] * x[3] * std::cos(1.47588)) / 131.078;
    const double d = -(x3x4 * std::sin(1.48477 + x[5]) - 0.90798 * x[3] * x[3] * std::sin(1.47588)) / 131.078;
    const double e =
        200 - (x3x4 * std::sin(1.48477 - x[5]) - 0.90798 * x[2] * x[2] * std::sin(1.47588)) / 131.078;
    c[0] = a - x[0];
    c[1] = b - x[1];
    c[2] = d - x[4];
    c[3] = e;
    // Costs by pieces of the flows x1 and x2.
    double f1 = 0, f2 = 0;
    if (x[0] >= 0 && x[0] < 300) {
        f1 = 30 * a;
    } else if (x[0] >= 300 && x[0] <= 400) {
        f1 = 31 * a;
    }
    if (x[1] >= 0 && x[1] < 100) {
        f2 = 28 * b;
    } else if (x[1] >= 100 && x[1] < 200) {
        f2 = 29 * b;
    } else if (x[1] >= 200 && x[1] <= 1000) {
        f2 = 30 * b;
    }
    return f1 + f2;
}

double G18(X x, C c) {
    c[0] = -1 + x[2] * x[2] + x[3] * x[3];
    c[1] = -1 + x[8] * x[8];
    c[2] = -1 + x[4] * x[4] + x[5] * x[5];
    c[3] = -1 + x[0] * x[0] + Sq(x[1] - x[8]);
    c[4] = -1 + Sq(x[0] - x[4]) + Sq(x[1] - x[5]);
    c[5] = -1 + Sq(x[0] - x[6]) + Sq(x[1] - x[7]);
    c[6] = -1 + Sq(x[2] - x[4]) + Sq(x[3] - x[5]);
    c[7] = -1 + Sq(x[2] - x[6]) + Sq(x[3] - x[7]);
    c[8] = -1 + x[6] * x[6] + Sq(x[7] - x[8]);
    c[9] = -x[0] * x[3] + x[1] * x[2];
    c[10] = -x[2] * x[8];
    c[11] = x[4] * x[8];
    c[12] = -x[4] * x[7] + x[5] * x[6];
    return -0.5 * (x[0] * x[3] - x[1] * x[2] + x[2] * x[8] - x[4] * x[8] + x[4] * x[7] - x[5] * x[6]);
}

constexpr double kG19C[5][5] = {{30, -20, -10, 32, -10},
                                {-20, 39, -6, -31, 32},
                                {-10, -6, 10, -6, -10},
                                {32, -31, -6, 39, -20},
                                {-10, 32, -10, -20, 30}};
constexpr double kG19D[5] = {4, 8, 10, 6, 2};

double G19(X x, C c) {
    static constexpr double kA[10][5] = {{-16, 2, 0, 1, 0},    {0, -2, 0, 0.4, 2},   {-3.5, 0, 2, 0, 0},
                                         {0, -2, 0, -4, -1},   {0, -9, -2, 1, -2.8}, {2, 0, -4, 0, 0},
                                         {-1, -1, -1, -1, -1}, {-1, -2, -3, -2, -1}, {1, 2, 3, 4, 5},
                                         {1, 1, 1, 1, 1}};
    static constexpr double kB[10] = {-40, -2, -0.25, -4, -4, -1, -40, -60, 5, 1};
    static constexpr double kE[5] = {-15, -27, -36, -18, -12};
    const std::span<const double> s = x.subspan(10, 5);
    for (int j = 0; j < 5; ++j) {
        double coupling = 0, linear = 0;
        for (int i = 0; i < 5; ++i) coupling += kG19C[i][j] * s[i];
        for (int i = 0; i < 10; ++i) linear += kA[i][j] * x[i];
        c[j] = -(2 * coupling + 3 * kG19D[j] * s[j] * s[j] + kE[j] - linear);
    }
    double linear = 0, quadratic = 0, cubic = 0;
    for (int i = 0; i < 10; ++i) linear += kB[i] * x[i];
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) quadratic += kG19C[i][j] * s[i] * s[j];
        cubic += kG19D[i] * Cube(s[i]);
    }
    return -(linear - quadratic - 2 * cubic);
}

double G20(X x, C c) {
    static constexpr double kA[12] = {0.0693, 0.0577, 0.05, 0.2,  0.26, 0.55,
                                      0.06,   0.1,    0.12, 0.18, 0.1,  0.09};
    static constexpr double kB[12] = {44.094, 58.12, 58.12,   137.4,  120.9, 170.9,
                                      62.501, 84.94, 133.425, 82.507, 46.07, 60.097};
    static constexpr double kC[12] = {123.7, 31.7, 45.7, 14.7, 84.7, 27.7, 49.7, 7.1, 2.1, 17.7, 0.85, 0.64};
    static constexpr double kD[12] = {31.244, 36.12, 34.784, 92.7,   82.7, 91.6,
                                      56.708, 82.7,  80.8,   64.517, 49.4, 49.1};
    static constexpr double kE[6] = {0.1, 0.3, 0.4, 0.3, 0.6, 0.3};
    // The coefficients of the second twelve variables repeat the first's.
    double first = 0, second = 0, total = 0, f = 0;
    for (int j = 0; j < 12; ++j) {
        first += x[j] / kB[j];
        second += x[j + 12] / kB[j];
    }
    for (int j = 0; j < 24; ++j) {
        total += x[j];
        f += kA[j % 12] * x[j];
    }
    for (int i = 0; i < 12; ++i) c[i] = x[i + 12] / (kB[i] * second) - kC[i] * x[i] / (40 * kB[i] * first);
    c[12] = total - 1;
    double byD = 0;
    for (int j = 0; j < 12; ++j) byD += x[j] / kD[j];
    c[13] = byD + (0.7302 * 530 * (14.7 / 40)) * second - 1.671;
    for (int j = 0; j < 3; ++j) c[14 + j] = (x[j] + x[j + 12]) / (total + kE[j]);
    for (int j = 3; j < 6; ++j) c[14 + j] = (x[j + 3] + x[j + 15]) / (total + kE[j]);
    return f;
}

double G21(X x, C c) {
    c[0] = -300 * x[2] + 7500 * x[4] - 7500 * x[5] - 25 * x[3] * x[4] + 25 * x[3] * x[5] + x[2] * x[3];
    c[1] = 100 * x[1] + 155.365 * x[3] + 2500 * x[6] - x[1] * x[3] - 25 * x[3] * x[6] - 15536.5;
    c[2] = -x[4] + std::log(-x[3] + 900);
    c[3] = -x[5] + std::log(x[3] + 300);
    c[4] = -x[6] + std::log(-2 * x[3] + 700);
    c[5] = -x[0] + 35 * std::pow(x[1], 0.6) + 35 * std::pow(x[2], 0.6);
    return x[0];
}

double G22(X x, C c) {
    c[0] = x[4] - 100000 * x[7] + 10000000;
    c[1] = x[5] + 100000 * x[7] - 100000 * x[8];
    c[2] = x[6] + 100000 * x[8] - 50000000;
    c[3] = x[4] + 100000 * x[9] - 33000000;
    c[4] = x[5] + 100000 * x[10] - 44000000;
    c[5] = x[6] + 100000 * x[11] - 66000000;
    c[6] = x[4] - 120 * x[1] * x[12];
    c[7] = x[5] - 80 * x[2] * x[13];
    c[8] = x[6] - 40 * x[3] * x[14];
    c[9] = x[7] - x[10] + x[15];
    c[10] = x[8] - x[11] + x[16];
    c[11] = -x[17] + std::log(x[9] - 100);
    c[12] = -x[18] + std::log(-x[7] + 300);
    c[13] = -x[19] + std::log(x[15]);
    c[14] = -x[20] + std::log(-x[8] + 400);
    c[15] = -x[21] + std::log(x[16]);
    c[16] = -x[7] - x[9] + x[12] * x[17] - x[12] * x[18] + 400;
    c[17] = x[7] - x[8] - x[10] + x[13] * x[19] - x[13] * x[20] + 400;
    c[18] = x[8] - x[11] - 4.60517 * x[14] + x[14] * x[21] + 100;
    c[19] = -x[0] + std::pow(x[1], 0.6) + std::pow(x[2], 0.6) + std::pow(x[3], 0.6);
    return x[0];
}

double G23(X x, C c) {
    c[0] = x[0] + x[1] - x[2] - x[3];
    c[1] = 0.03 * x[0] + 0.01 * x[1] - x[8] * (x[2] + x[3]);
    c[2] = x[2] + x[5] - x[4];
    c[3] = x[3] + x[6] - x[7];
    c[4] = x[8] * x[2] + 0.02 * x[5] - 0.025 * x[4];
    c[5] = x[8] * x[3] + 0.02 * x[6] - 0.015 * x[7];
    return -9 * x[4] - 15 * x[7] + 6 * x[0] + 16 * x[1] + 10 * (x[5] + x[6]);
}

double G24(X x, C c) {
    const double x2 = x[0] * x[0], x3 = x2 * x[0], x4 = x2 * x2;
    c[0] = -2 * x4 + 8 * x3 - 8 * x2 + x[1] - 2;
    c[1] = -4 * x4 + 32 * x3 - 88 * x2 + 96 * x[0] + x[1] - 36;
    return -x[0] - x[1];
}

using Problem = double (*)(X, C);
constexpr Problem kProblems[24] = {G01, G02, G03, G04, G05, G06, G07, G08, G09, G10, G11, G12,
                                   G13, G14, G15, G16, G17, G18, G19, G20, G21, G22, G23, G24};

// The best objective values known, from the competition's report.
constexpr double kBest[24] = {
    -15.0000000000, -0.8036191042,  -1.0005001000,  -30665.5386717834, 5126.4967140071, -6961.8138755802,
    24.3062090681,  -0.0958250415,  680.6300573745, 7049.2480205286,   0.7499000000,    -1.0000000000,
    0.0539415140,   -47.7648884595, 961.7150222900, -1.9051552586,     8853.5396748064, -0.8660254038,
    32.6555929502,  0.2049794002,   193.7245100700, 236.4309755040,    -400.0551000000, -5.5080132716};

void CheckId(int id) {
    if (id < 1 || id > 24) throw std::invalid_argument("no CEC 2006 problem g" + std::to_string(id));
}

}  // namespace

double Objective(int id, std::span<const double> x) {
    CheckId(id);
    std::array<double, 38> scratch;
    return kProblems[id - 1](x, scratch);
}

void Constraints(int id, std::span<const double> x, std::span<double> c) {
    CheckId(id);
    std::array<double, 38> scratch;
    kProblems[id - 1](x, scratch);
    const Shape& shape = kShapes[id - 1];
    std::copy_n(scratch.begin(), shape.equalities + shape.inequalities, c.begin());
}

RealVector Bounds(int id) {
    CheckId(id);
    const std::size_t n = kShapes[id - 1].variables;
    const auto box = [n](double lo, double hi) {
        return RealVector{std::vector<double>(n, lo), std::vector<double>(n, hi)};
    };
    switch (id) {
        case 1: {
            RealVector kind = box(0, 1);
            for (int i = 9; i < 12; ++i) kind.upper[i] = 100;
            return kind;
        }
        case 2:
            return box(0, 10);
        case 3:
            return box(0, 1);
        case 4:
            return {{78, 33, 27, 27, 27}, {102, 45, 45, 45, 45}};
        case 5:
            return {{0, 0, -0.55, -0.55}, {1200, 1200, 0.55, 0.55}};
        case 6:
            return {{13, 0}, {100, 100}};
        case 7:
        case 9:
            return box(-10, 10);
        case 8:
            return box(0, 10);
        case 10:
            return {{100, 1000, 1000, 10, 10, 10, 10, 10},
                    {10000, 10000, 10000, 1000, 1000, 1000, 1000, 1000}};
        case 11:
            return box(-1, 1);
        case 12:
        case 14:
        case 15:
        case 19:
        case 20:
            return box(0, 10);
        case 13:
            return {{-2.3, -2.3, -3.2, -3.2, -3.2}, {2.3, 2.3, 3.2, 3.2, 3.2}};
        case 16:
            return {{704.4148, 68.6, 0, 193, 25}, {906.3855, 288.88, 134.75, 287.0966, 84.1988}};
        case 17:
            return {{0, 0, 340, 340, -1000, 0}, {400, 1000, 420, 420, 1000, 0.5236}};
        case 18: {
            RealVector kind = box(-10, 10);
            kind.lower[8] = 0;
            kind.upper[8] = 20;
            return kind;
        }
        case 21:
            return {{0, 0, 0, 100, 6.3, 5.9, 4.5}, {1000, 40, 40, 300, 6.7, 6.4, 6.25}};
        case 22:
            return {{0,   0, 0, 0, 0,    0,    0,    100,  100,  100.01, 100,
                     100, 0, 0, 0, 0.01, 0.01, -4.7, -4.7, -4.7, -4.7,   -4.7},
                    {20000, 1e6, 1e6, 1e6, 4e7, 4e7, 4e7,  299.99, 399.99, 300,  400,
                     600,   500, 500, 500, 300, 400, 6.25, 6.25,   6.25,   6.25, 6.25}};
        case 23:
            return {{0, 0, 0, 0, 0, 0, 0, 0, 0.01}, {300, 300, 100, 200, 100, 300, 100, 200, 0.03}};
        default:
            return {{0, 0}, {3, 4}};
    }
}

double BestKnown(int id) {
    CheckId(id);
    return kBest[id - 1];
}

}  // namespace zarnel::suites::cec2006

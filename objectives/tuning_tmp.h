#pragma once
#include <cstdlib>
namespace zarnel::tmp {
inline int Env(const char* name, int fallback = 0) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : fallback;
}
inline double EnvD(const char* name, double fallback) {
    const char* v = std::getenv(name);
    return v ? std::atof(v) : fallback;
}
struct Tuning {
    int cut = Env("ZT_CUT");
    int memory = Env("ZT_MEM");
    int zero = Env("ZT_ZERO");
    int pair = Env("ZT_PAIR");
    int copies = Env("ZT_COPIES");
    int survival = Env("ZT_SURV");
    int floor = Env("ZT_FLOOR");
    int pmclamp = Env("ZT_PMCLAMP");
    int sbxclamp = Env("ZT_SBXCLAMP");
    int rebreed = Env("ZT_REBREED");
};
inline const Tuning& Tune() {
    static const Tuning t;
    return t;
}
}  // namespace zarnel::tmp

// Whether a thread's 256-bit vector registers, upper halves included, come
// back unchanged after the thread was interrupted: it holds a known value in
// each of ymm0..ymm15 for a while, first left alone, then while a second
// thread suspends it, reads its context and resumes it over and over (the
// interruption a runtime applies to a thread it must stop). Prints what
// changed; exit code 0 when every register kept its value, 1 when one did
// not, 2 when the processor has no AVX.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

std::atomic<bool> done{false};

DWORD WINAPI suspender(LPVOID thread) {
    DWORD rounds = 0;
    while (!done.load()) {
        SuspendThread(static_cast<HANDLE>(thread));
        CONTEXT context;
        std::memset(&context, 0, sizeof context);
        context.ContextFlags = CONTEXT_FULL;
        GetThreadContext(static_cast<HANDLE>(thread), &context);
        ResumeThread(static_cast<HANDLE>(thread));
        ++rounds;
    }
    return rounds;
}

// Loads in[16][4] into ymm0..ymm15, counts `spins` down, stores them to out.
__attribute__((target("avx"))) void hold(const double (*in)[4], double (*out)[4], long long spins) {
    asm volatile(
        "vmovupd 0x000(%[in]), %%ymm0\n vmovupd 0x020(%[in]), %%ymm1\n"
        "vmovupd 0x040(%[in]), %%ymm2\n vmovupd 0x060(%[in]), %%ymm3\n"
        "vmovupd 0x080(%[in]), %%ymm4\n vmovupd 0x0a0(%[in]), %%ymm5\n"
        "vmovupd 0x0c0(%[in]), %%ymm6\n vmovupd 0x0e0(%[in]), %%ymm7\n"
        "vmovupd 0x100(%[in]), %%ymm8\n vmovupd 0x120(%[in]), %%ymm9\n"
        "vmovupd 0x140(%[in]), %%ymm10\n vmovupd 0x160(%[in]), %%ymm11\n"
        "vmovupd 0x180(%[in]), %%ymm12\n vmovupd 0x1a0(%[in]), %%ymm13\n"
        "vmovupd 0x1c0(%[in]), %%ymm14\n vmovupd 0x1e0(%[in]), %%ymm15\n"
        "1: dec %[spins]\n jnz 1b\n"
        "vmovupd %%ymm0, 0x000(%[out])\n vmovupd %%ymm1, 0x020(%[out])\n"
        "vmovupd %%ymm2, 0x040(%[out])\n vmovupd %%ymm3, 0x060(%[out])\n"
        "vmovupd %%ymm4, 0x080(%[out])\n vmovupd %%ymm5, 0x0a0(%[out])\n"
        "vmovupd %%ymm6, 0x0c0(%[out])\n vmovupd %%ymm7, 0x0e0(%[out])\n"
        "vmovupd %%ymm8, 0x100(%[out])\n vmovupd %%ymm9, 0x120(%[out])\n"
        "vmovupd %%ymm10, 0x140(%[out])\n vmovupd %%ymm11, 0x160(%[out])\n"
        "vmovupd %%ymm12, 0x180(%[out])\n vmovupd %%ymm13, 0x1a0(%[out])\n"
        "vmovupd %%ymm14, 0x1c0(%[out])\n vmovupd %%ymm15, 0x1e0(%[out])\n"
        "vzeroupper\n"
        : [spins] "+r"(spins)
        : [in] "r"(in), [out] "r"(out)
        : "memory", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9",
          "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
}

// Runs `rounds` holds; prints the first register lane that changed.
bool kept(const char* how, int rounds) {
    double in[16][4];
    double out[16][4];
    for (int r = 0; r < 16; ++r)
        for (int l = 0; l < 4; ++l) in[r][l] = 1000.0 * r + l + 0.125;
    for (int round = 0; round < rounds; ++round) {
        std::memset(out, 0, sizeof out);
        hold(in, out, 5000000);
        for (int r = 0; r < 16; ++r) {
            for (int l = 0; l < 4; ++l) {
                if (std::memcmp(&in[r][l], &out[r][l], sizeof(double)) != 0) {
                    std::printf("%s: ymm%d lane %d held %.17g and came back as %.17g (round %d)\n", how, r,
                                l, in[r][l], out[r][l], round);
                    return false;
                }
            }
        }
    }
    std::printf("%s: all sixteen ymm registers kept their values over %d rounds\n", how, rounds);
    return true;
}

}  // namespace

int main() {
    if (!__builtin_cpu_supports("avx")) {
        std::printf("no AVX on this processor\n");
        return 2;
    }
    std::printf("processor: avx2 %d, avx512f %d\n", __builtin_cpu_supports("avx2") != 0,
                __builtin_cpu_supports("avx512f") != 0);
    bool ok = kept("left alone", 10);
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    HANDLE other = CreateThread(nullptr, 0, suspender, self, 0, nullptr);
    ok = kept("suspended and resumed", 10) && ok;
    done.store(true);
    WaitForSingleObject(other, INFINITE);
    DWORD rounds = 0;
    GetExitCodeThread(other, &rounds);
    std::printf("the other thread suspended this one %lu times\n", static_cast<unsigned long>(rounds));
    return ok ? 0 : 1;
}

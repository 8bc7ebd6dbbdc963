// The data buffers' block pool against glibc's and jemalloc's allocators in
// one process, and a copy-on-write split of a 1080p frame against a plain
// copy, by the rules of README.md.
//
// Pool: each iteration takes a 32-byte-aligned block, writes one byte in
// every 4 KiB page of it (a frame is filled before it is used, so an
// allocator that handed its pages back to the system pays for them there),
// and gives it back. The peers are glibc's aligned_alloc and jemalloc's
// mallocx with 32-byte alignment, the routines that give the same block.
// jemalloc is linked, so it is the process's malloc; glibc's own allocator
// is reached by name in libc. No memcpy anchor: nothing here is bound by
// memory bandwidth.
//
// Copy-on-write: MakeCopy of a shared frame and ByteModify on the copy (a
// pool block and a copy of the frame's block) against allocating a block
// with each allocator and copying the frame into it; memcpy of the frame
// into a block of its own is the anchor.

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <jemalloc/jemalloc.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "media/pins/SGMemoryBuffer.h"

namespace rules = oculon::bench;
using namespace oculon::pins;

namespace {

constexpr std::size_t kAlign = 32;
constexpr std::size_t kPage = 4096;

// One allocator: a block of `size` bytes aligned to kAlign, and its release.
struct Allocator {
    std::string name;
    std::function<void*(std::size_t)> take;
    std::function<void(void*, std::size_t)> give;
};

std::vector<Allocator> allocators() {
    void* libc = ::dlopen("libc.so.6", RTLD_NOLOAD | RTLD_LAZY);
    using AlignedAlloc = void* (*)(std::size_t, std::size_t);
    using Free = void (*)(void*);
    const auto glibcAlloc = reinterpret_cast<AlignedAlloc>(libc ? ::dlsym(libc, "aligned_alloc") : nullptr);
    const auto glibcFree = reinterpret_cast<Free>(libc ? ::dlsym(libc, "free") : nullptr);
    std::vector<Allocator> all{{"ours", [](std::size_t n) { return SGBufferAllocate(static_cast<std::uint32_t>(n)); },
                                [](void* p, std::size_t n) { SGBufferDeallocate(p, static_cast<std::uint32_t>(n)); }},
                               {"jemalloc", [](std::size_t n) { return mallocx(n, MALLOCX_ALIGN(kAlign)); },
                                [](void* p, std::size_t n) { sdallocx(p, n, MALLOCX_ALIGN(kAlign)); }}};
    if (glibcAlloc && glibcFree && reinterpret_cast<void*>(glibcFree) != reinterpret_cast<void*>(&::free))
        all.push_back({"glibc", [=](std::size_t n) { return glibcAlloc(kAlign, (n + kAlign - 1) / kAlign * kAlign); },
                       [=](void* p, std::size_t) { glibcFree(p); }});
    else std::printf("glibc's allocator not found apart from jemalloc: left out\n");
    return all;
}

struct Size {
    const char* name;
    std::size_t bytes;
};
constexpr Size kSizes[] = {{"640x480x4", 640 * 480 * 4}, {"1920x1080x4", 1920 * 1080 * 4}, {"64 B", 64}};

void touch(void* block, std::size_t n) {
    auto* bytes = static_cast<volatile std::uint8_t*>(block);
    for (std::size_t at = 0; at < n; at += kPage) bytes[at] = 1;
    bytes[n - 1] = 1;
}

// Same output: a writable block of the size, aligned to kAlign.
bool checkAllocator(const Allocator& a) {
    for (const Size& s : kSizes) {
        void* p = a.take(s.bytes);
        const bool good = p && reinterpret_cast<std::uintptr_t>(p) % kAlign == 0;
        if (p) std::memset(p, 0xA5, s.bytes), a.give(p, s.bytes);
        if (!good) return std::fprintf(stderr, "%s: no aligned block of %zu bytes\n", a.name.c_str(), s.bytes), false;
    }
    return true;
}

// The frame of the copy-on-write case: 1080p, 4 bytes a pixel, noise.
std::shared_ptr<TSGBlockBuffer> frame() {
    static const auto f = [] {
        auto b = TSGBlockBuffer::CreateSize(1920 * 1080 * 4);
        std::mt19937 rng(7);
        for (std::uint8_t* p = b->Write(); p != b->Write() + b->GetSize(); ++p) *p = static_cast<std::uint8_t>(rng());
        return b;
    }();
    return f;
}

bool sameAsFrame(const std::uint8_t* copy) { return std::memcmp(copy, frame()->Read(), frame()->GetSize()) == 0; }

void splitOurs(benchmark::State& state) {
    const auto f = frame();
    for (auto _ : state) {
        const auto copy = std::static_pointer_cast<TSGBlockBuffer>(f->MakeCopy());
        benchmark::DoNotOptimize(copy->ByteModify());
        benchmark::ClobberMemory();
    }
}

void copyWith(benchmark::State& state, const Allocator& a) {
    const auto f = frame();
    const std::size_t n = f->GetSize();
    for (auto _ : state) {
        void* block = a.take(n);
        std::memcpy(block, f->Read(), n);
        benchmark::DoNotOptimize(block);
        benchmark::ClobberMemory();
        a.give(block, n);
    }
}

bool checkCopies(const std::vector<Allocator>& all) {
    const auto copy = std::static_pointer_cast<TSGBlockBuffer>(frame()->MakeCopy());
    bool good = sameAsFrame(copy->ByteModify()) && copy->DataContainer() != frame()->DataContainer();
    for (const Allocator& a : all) {
        void* block = a.take(frame()->GetSize());
        std::memcpy(block, frame()->Read(), frame()->GetSize());
        good = good && sameAsFrame(static_cast<std::uint8_t*>(block));
        a.give(block, frame()->GetSize());
    }
    return good;
}

std::string key(const std::string& group, const std::string& who) { return group + "/" + who; }

void registerAll(const std::vector<Allocator>& all) {
    const auto add = [](const std::string& name, auto fn) {
        rules::repeated(benchmark::RegisterBenchmark(name.c_str(), fn))->MinTime(0.2)->Unit(benchmark::kNanosecond);
    };
    for (const Size& s : kSizes)
        for (const Allocator& a : all)
            add(key(std::string("alloc ") + s.name, a.name), [&a, &s](benchmark::State& state) {
                for (auto _ : state) {
                    void* p = a.take(s.bytes);
                    touch(p, s.bytes);
                    a.give(p, s.bytes);
                }
            });
    add(key("MakeCopy+ByteModify 1080p", "ours"), splitOurs);
    for (const Allocator& a : all)
        if (a.name != "ours")
            add(key("MakeCopy+ByteModify 1080p", a.name), [&a](benchmark::State& s) { copyWith(s, a); });
    add(key("MakeCopy+ByteModify 1080p", "memcpy"),
        [](benchmark::State& s) { rules::copyAnchor(s, frame()->GetSize()); });
}

void printTable(const std::vector<Allocator>& all, const rules::MedianReporter& times) {
    std::printf("\nmedians of %d repetitions, nanoseconds; x peer = peer / ours (above 1: ours faster)\n",
                rules::kRepetitions);
    std::vector<std::string> groups;
    for (const Size& s : kSizes) groups.push_back(std::string("alloc ") + s.name);
    groups.push_back("MakeCopy+ByteModify 1080p");
    for (const std::string& g : groups) {
        const double ours = times.seconds(key(g, "ours"));
        if (ours == 0) continue;  // filtered out
        std::printf("%-28s ours %11.1f", g.c_str(), ours * 1e9);
        for (const Allocator& a : all)
            if (a.name != "ours") {
                const double peer = times.seconds(key(g, a.name));
                std::printf("  %s %11.1f x %-5s", a.name.c_str(), peer * 1e9, rules::ratio(peer, ours).c_str());
            }
        if (const double memcpy = times.seconds(key(g, "memcpy")); memcpy > 0)
            std::printf("  memcpy %11.1f x %-5s", memcpy * 1e9, rules::ratio(memcpy, ours).c_str());
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Allocator> all = allocators();
    for (const Allocator& a : all)
        if (!checkAllocator(a)) return 1;
    if (!checkCopies(all)) return std::fprintf(stderr, "a copy differs from the frame\n"), 1;
    std::printf("every allocator gives aligned blocks; every copy equals the frame\n");
    registerAll(all);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    rules::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printTable(all, reporter);
    benchmark::Shutdown();
    return 0;
}

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
// into a block of its own is the anchor. A 1080p frame stays in the
// last-level cache from one run to the next; an 8K one comes from memory.

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <jemalloc/jemalloc.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
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

// The frames of the copy-on-write case, 4 bytes a pixel of noise.
struct Frame {
    const char* group;
    std::size_t bytes;
};
const Frame kFrames[] = {
    {"MakeCopy+ByteModify 1080p", 1920 * 1080 * 4},
    {"MakeCopy+ByteModify 8K", std::size_t{rules::kDramFrameWidth} * std::size_t{rules::kDramFrameHeight} * 4}};

std::shared_ptr<TSGBlockBuffer> frame(const Frame& size) {
    static std::map<std::size_t, std::shared_ptr<TSGBlockBuffer>> made;
    auto& f = made[size.bytes];
    if (!f) {
        f = TSGBlockBuffer::CreateSize(static_cast<std::uint32_t>(size.bytes));
        std::mt19937 rng(7);
        for (std::uint8_t* p = f->Write(); p != f->Write() + f->GetSize(); ++p) *p = static_cast<std::uint8_t>(rng());
    }
    return f;
}

bool sameAsFrame(const std::uint8_t* copy, const Frame& size) {
    return std::memcmp(copy, frame(size)->Read(), size.bytes) == 0;
}

void splitOurs(benchmark::State& state, const Frame& size) {
    const auto f = frame(size);
    for (auto _ : state) {
        const auto copy = std::static_pointer_cast<TSGBlockBuffer>(f->MakeCopy());
        benchmark::DoNotOptimize(copy->ByteModify());
        benchmark::ClobberMemory();
    }
}

void copyWith(benchmark::State& state, const Allocator& a, const Frame& size) {
    const auto f = frame(size);
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
    bool good = true;
    for (const Frame& size : kFrames) {
        const auto f = frame(size);
        const auto copy = std::static_pointer_cast<TSGBlockBuffer>(f->MakeCopy());
        good = good && sameAsFrame(copy->ByteModify(), size) && copy->DataContainer() != f->DataContainer();
        for (const Allocator& a : all) {
            void* block = a.take(size.bytes);
            std::memcpy(block, f->Read(), size.bytes);
            good = good && sameAsFrame(static_cast<std::uint8_t*>(block), size);
            a.give(block, size.bytes);
        }
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
    for (const Frame& size : kFrames) {
        add(key(size.group, "ours"), [&size](benchmark::State& s) { splitOurs(s, size); });
        for (const Allocator& a : all)
            if (a.name != "ours")
                add(key(size.group, a.name), [&a, &size](benchmark::State& s) { copyWith(s, a, size); });
        add(key(size.group, "memcpy"), [&size](benchmark::State& s) { rules::copyAnchor(s, size.bytes); });
    }
}

void printTable(const std::vector<Allocator>& all, const rules::MedianReporter& times) {
    std::printf("\nmedians of %d repetitions, nanoseconds; x peer = peer / ours (above 1: ours faster)\n",
                rules::kRepetitions);
    std::vector<std::string> groups;
    for (const Size& s : kSizes) groups.push_back(std::string("alloc ") + s.name);
    for (const Frame& size : kFrames) groups.push_back(size.group);
    for (const std::string& g : groups) {
        const double ours = times.seconds(key(g, "ours"));
        if (ours == 0) continue;  // filtered out
        std::printf("%-28s ours %11.1f", g.c_str(), ours * 1e9);
        // The copies' anchor first: the pool keeps its block, as memcpy into
        // a block of its own does.
        if (const double memcpy = times.seconds(key(g, "memcpy")); memcpy > 0)
            std::printf("  memcpy %11.1f x %-5s |", memcpy * 1e9, rules::ratio(memcpy, ours).c_str());
        for (const Allocator& a : all)
            if (a.name != "ours") {
                const double peer = times.seconds(key(g, a.name));
                std::printf("  %s %11.1f x %-5s", a.name.c_str(), peer * 1e9, rules::ratio(peer, ours).c_str());
            }
        std::printf("\n");
    }
    std::printf(
        "the copies' allocators take and give back a block per copy: above its mapping threshold an\n"
        "allocator maps a fresh block and faults its pages in every time, which the pool, keeping its\n"
        "block, does not; against memcpy into a block of its own the copy is on equal terms\n");
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

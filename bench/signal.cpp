// Signal primitives against the same work done by a plain loop compiled with
// -O3 -march=native and by OpenCV, in the same run: vector add, multiply and
// dot product on doubles, and the scaled 8-bit forms, each also at a length
// too long for the last-level cache. Each peer's output is
// checked against ours before anything is timed, and a memcpy that moves as
// many bytes as the case (half the bytes read and written) runs beside it.
// The table at the end prints the ratios (bench/README.md).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <opencv2/core.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "BenchRules.h"
#include "media/primitives/ScaledArithmetic.h"
#include "media/primitives/SignalArithmetic.h"
#include "media/primitives/SignalStatistics.h"
#include "reference/PlainLoops.h"

namespace prim = oculon::primitives;
namespace rules = oculon::bench;

namespace {

struct Doubles {
    std::vector<double> a, b, out;
    cv::Mat ma, mb, mout;
    explicit Doubles(int n) : a(n), b(n), out(n) {
        std::mt19937_64 rng(5);
        std::uniform_real_distribution<double> u(-1, 1);
        for (int i = 0; i < n; ++i) a[i] = u(rng), b[i] = u(rng);
        ma = cv::Mat(1, n, CV_64F, a.data());
        mb = cv::Mat(1, n, CV_64F, b.data());
        mout = cv::Mat(1, n, CV_64F, out.data());
    }
};

// The operands of the 8-bit lines, shared by every line of one length; each
// line starts from `original` when its output is checked.
struct Bytes {
    std::vector<std::uint8_t> src, dst, original;
    cv::Mat msrc, mdst;
    explicit Bytes(int n) : src(n), dst(n) {
        std::mt19937 rng(9);
        for (int i = 0; i < n; ++i)
            src[i] = static_cast<std::uint8_t>(rng()), dst[i] = static_cast<std::uint8_t>(rng());
        original = dst;
        msrc = cv::Mat(1, n, CV_8U, src.data());
        mdst = cv::Mat(1, n, CV_8U, dst.data());
    }
};

// A length whose operands (bytes per element over all arrays a run touches)
// fill 1.2x the last-level cache, so that memory (DRAM), not the cache, sets
// the pace.
int dramLength(int bytesPerElement) {
    long cache = sysconf(_SC_LEVEL3_CACHE_SIZE);
    if (cache <= 0) cache = 64L << 20;
    return static_cast<int>(cache * 6 / 5 / bytesPerElement);
}

struct Peer {
    std::string name;
    std::function<void()> run;
};

// One line of the table: our routine and its peers on the same buffers.
// `output` runs a routine on fresh inputs and returns the bytes it produced,
// for the check before timing.
struct Case {
    std::string name;
    // Bytes read plus bytes written, halved: a memcpy of that many bytes
    // moves as much memory as the case does.
    std::size_t anchorBytes;
    std::function<void()> ours;
    std::vector<Peer> peers;
    std::function<std::vector<std::uint8_t>(const std::string& who)> output;
};

template <typename T>
std::vector<std::uint8_t> asBytes(const std::vector<T>& v) {
    std::vector<std::uint8_t> out(v.size() * sizeof(T));
    std::memcpy(out.data(), v.data(), out.size());
    return out;
}

void registerCase(rules::Table& table, const Case& c) {
    const auto reference = c.output("ours");
    for (const Peer& p : c.peers)
        if (c.output(p.name) != reference) {
            std::fprintf(stderr, "%s: %s gives a different result; not timed\n", c.name.c_str(), p.name.c_str());
            std::exit(1);
        }
    table.ours(c.name, rules::timing(c.ours));
    for (const Peer& p : c.peers) table.peer(p.name, rules::timing(p.run));
    table.anchor(c.anchorBytes);
}

// Out-of-place double operations: ours, the plain loop and OpenCV write the
// same doubles.
Case doubleCase(const std::string& name, const std::shared_ptr<Doubles>& d,
                prim::IppStatus (*ours)(const double*, const double*, double*, int),
                void (*plainFn)(const double*, const double*, double*, int),
                void (*cvFn)(cv::InputArray, cv::InputArray, cv::OutputArray)) {
    const int n = static_cast<int>(d->a.size());
    Case c{name, 12 * std::size_t(n), [=] { ours(d->a.data(), d->b.data(), d->out.data(), n); }, {}, nullptr};
    c.peers.push_back({"plain", [=] { plainFn(d->a.data(), d->b.data(), d->out.data(), n); }});
    c.peers.push_back({"opencv", [=] { cvFn(d->ma, d->mb, d->mout); }});
    c.output = [d, ours, plainFn, cvFn, n](const std::string& who) {
        std::fill(d->out.begin(), d->out.end(), 0.0);
        if (who == "ours") ours(d->a.data(), d->b.data(), d->out.data(), n);
        else if (who == "plain") plainFn(d->a.data(), d->b.data(), d->out.data(), n);
        else cvFn(d->ma, d->mb, d->mout);
        return asBytes(d->out);
    };
    return c;
}

Case addInPlaceCase(const std::string& name, const std::shared_ptr<Doubles>& d) {
    const int n = static_cast<int>(d->a.size());
    Case c{name, 12 * std::size_t(n), [=] { prim::ippsAdd_64f_I(d->a.data(), d->out.data(), n); }, {}, nullptr};
    c.peers.push_back({"plain", [=] { plain::add64InPlace(d->a.data(), d->out.data(), n); }});
    c.peers.push_back({"opencv", [=] { cv::add(d->mout, d->ma, d->mout); }});
    c.output = [d, n](const std::string& who) {
        d->out = d->b;
        if (who == "ours") prim::ippsAdd_64f_I(d->a.data(), d->out.data(), n);
        else if (who == "plain") plain::add64InPlace(d->a.data(), d->out.data(), n);
        else cv::add(d->mout, d->ma, d->mout);
        return asBytes(d->out);
    };
    return c;
}

// Dot products differ in their last bits with the order of summation (ours
// sums in extended precision); the peers must agree to 1e-12 relative.
Case dotCase(const std::string& name, const std::shared_ptr<Doubles>& d) {
    const int n = static_cast<int>(d->a.size());
    auto sink = std::make_shared<double>();
    Case c{
        name, 8 * std::size_t(n), [=] { prim::ippsDotProd_64f(d->a.data(), d->b.data(), n, sink.get()); }, {}, nullptr};
    c.peers.push_back({"plain", [=] { *sink = plain::dot64(d->a.data(), d->b.data(), n); }});
    c.peers.push_back({"opencv", [=] { *sink = d->ma.dot(d->mb); }});
    c.output = [d, n](const std::string& who) {
        double v = 0;
        if (who == "ours") prim::ippsDotProd_64f(d->a.data(), d->b.data(), n, &v);
        else if (who == "plain") v = plain::dot64(d->a.data(), d->b.data(), n);
        else v = d->ma.dot(d->mb);
        double exact = 0;
        prim::ippsDotProd_64f(d->a.data(), d->b.data(), n, &exact);
        const bool close = std::fabs(v - exact) <= 1e-12 * std::fabs(exact);
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(close)};
    };
    return c;
}

// In-place scaled 8-bit operations; OpenCV's saturating or scaled routine
// where it computes the same bytes.
Case byteCase(const std::string& name, const std::shared_ptr<Bytes>& b, int sf,
              prim::IppStatus (*ours)(const prim::Ipp8u*, prim::Ipp8u*, int, int),
              void (*plainFn)(const std::uint8_t*, std::uint8_t*, int, int), std::function<void(Bytes&)> cvFn) {
    const int n = static_cast<int>(b->src.size());
    Case c{name, 3 * std::size_t(n) / 2, [=] { ours(b->src.data(), b->dst.data(), n, sf); }, {}, nullptr};
    c.peers.push_back({"plain", [=] { plainFn(b->src.data(), b->dst.data(), n, sf); }});
    if (cvFn) c.peers.push_back({"opencv", [=] { cvFn(*b); }});
    c.output = [=](const std::string& who) {
        b->dst = b->original;
        if (who == "ours") ours(b->src.data(), b->dst.data(), n, sf);
        else if (who == "plain") plainFn(b->src.data(), b->dst.data(), n, sf);
        else cvFn(*b);
        return b->dst;
    };
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);  // ours is single-threaded; compare like with like
    if (!rules::initialize(argc, argv)) return 1;
    rules::Table table(benchmark::kMicrosecond, 0.05);
    // The lengths of the double lines: in the first-level cache, in the
    // second, and beyond the last (add, multiply: 24 bytes an element).
    for (const auto& [n, suffix] : {std::pair{4096, std::string()}, std::pair{1 << 20, std::string()},
                                    std::pair{dramLength(24), std::string(" (DRAM)")}}) {
        const auto d = std::make_shared<Doubles>(n);
        const std::string at = "/" + std::to_string(n) + suffix;
        registerCase(table,
                     doubleCase("Add_64f" + at, d, prim::ippsAdd_64f, plain::add64,
                                [](cv::InputArray a, cv::InputArray b, cv::OutputArray o) { cv::add(a, b, o); }));
        registerCase(table, addInPlaceCase("Add_64f_I" + at, d));
        registerCase(table,
                     doubleCase("Mul_64f" + at, d, prim::ippsMul_64f, plain::mul64,
                                [](cv::InputArray a, cv::InputArray b, cv::OutputArray o) { cv::multiply(a, b, o); }));
        registerCase(table, dotCase("DotProd_64f" + at, d));
    }
    // The 8-bit lines on a frame's bytes (1280x720), and on a length beyond
    // the last-level cache (in place: 2 bytes an element).
    for (const auto& [n, suffix] :
         {std::pair{1280 * 720, std::string()}, std::pair{dramLength(2), std::string(" (DRAM)")}}) {
        const auto b = std::make_shared<Bytes>(n);
        const auto name = [&suffix](const char* op, int sf) { return op + ("/sf" + std::to_string(sf)) + suffix; };
        registerCase(table, byteCase(name("Add_8u_ISfs", 0), b, 0, prim::ippsAdd_8u_ISfs, plain::add8uScaled,
                                     [](Bytes& x) { cv::add(x.mdst, x.msrc, x.mdst); }));
        registerCase(table, byteCase(name("Add_8u_ISfs", 1), b, 1, prim::ippsAdd_8u_ISfs, plain::add8uScaled,
                                     [](Bytes& x) { cv::addWeighted(x.mdst, 0.5, x.msrc, 0.5, 0.0, x.mdst); }));
        registerCase(table, byteCase(name("Sub_8u_ISfs", 0), b, 0, prim::ippsSub_8u_ISfs, plain::sub8uScaled,
                                     [](Bytes& x) { cv::subtract(x.mdst, x.msrc, x.mdst); }));
        registerCase(table, byteCase(name("Sub_8u_ISfs", 2), b, 2, prim::ippsSub_8u_ISfs, plain::sub8uScaled, nullptr));
        registerCase(table, byteCase(name("Mul_8u_ISfs", 0), b, 0, prim::ippsMul_8u_ISfs, plain::mul8uScaled,
                                     [](Bytes& x) { cv::multiply(x.mdst, x.msrc, x.mdst); }));
        registerCase(table, byteCase(name("Mul_8u_ISfs", 8), b, 8, prim::ippsMul_8u_ISfs, plain::mul8uScaled,
                                     [](Bytes& x) { cv::multiply(x.mdst, x.msrc, x.mdst, 1.0 / 256); }));
    }
    table.run();
    return 0;
}

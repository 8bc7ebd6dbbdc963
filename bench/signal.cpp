// Signal primitives against the same work done by a plain loop compiled with
// -O3 -march=native and by OpenCV, in the same run: vector add, multiply and
// dot product on doubles, and the scaled 8-bit forms. Each peer's output is
// checked against ours before anything is timed; every case runs 5 times and
// the median CPU time is reported (the machine is shared), with a memcpy that
// moves as many bytes as the case beside it (half the bytes read and
// written). The table at the end gives the ratios
// (ours / peer time: below 1 means ours is faster).

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "media/primitives/ScaledArithmetic.h"
#include "media/primitives/SignalArithmetic.h"
#include "media/primitives/SignalStatistics.h"
#include "reference/PlainLoops.h"

namespace prim = oculon::primitives;

namespace {

constexpr int kRepetitions = 5;

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

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

struct Bytes {
    std::vector<std::uint8_t> src, dst;
    cv::Mat msrc, mdst;
    explicit Bytes(int n) : src(n), dst(n) {
        std::mt19937 rng(9);
        for (int i = 0; i < n; ++i)
            src[i] = static_cast<std::uint8_t>(rng()), dst[i] = static_cast<std::uint8_t>(rng());
        msrc = cv::Mat(1, n, CV_8U, src.data());
        mdst = cv::Mat(1, n, CV_8U, dst.data());
    }
};

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

void registerCase(const Case& c) {
    const auto reference = c.output("ours");
    for (const Peer& p : c.peers)
        if (c.output(p.name) != reference) {
            std::fprintf(stderr, "%s: %s gives a different result; not timed\n", c.name.c_str(), p.name.c_str());
            std::exit(1);
        }
    auto add = [&](const std::string& who, std::function<void()> fn) {
        benchmark::RegisterBenchmark((c.name + "/" + who).c_str(),
                                     [fn](benchmark::State& s) {
                                         for (auto _ : s) {
                                             fn();
                                             benchmark::ClobberMemory();
                                         }
                                     })
            ->Repetitions(kRepetitions)
            ->ReportAggregatesOnly(true)
            ->MinTime(0.05)
            ->Unit(benchmark::kMicrosecond);
    };
    add("ours", c.ours);
    for (const Peer& p : c.peers) add(p.name, p.run);
    if (c.anchorBytes > 0) {
        auto from = std::make_shared<std::vector<char>>(c.anchorBytes, 1);
        auto to = std::make_shared<std::vector<char>>(c.anchorBytes, 2);
        add("memcpy", [from, to] { std::memcpy(to->data(), from->data(), from->size()); });
    }
}

// Out-of-place double operations: ours, the plain loop and OpenCV write the
// same doubles.
Case doubleCase(const std::string& name, int n, prim::IppStatus (*ours)(const double*, const double*, double*, int),
                void (*plainFn)(const double*, const double*, double*, int),
                void (*cvFn)(cv::InputArray, cv::InputArray, cv::OutputArray)) {
    auto d = std::make_shared<Doubles>(n);
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

Case addInPlaceCase(int n) {
    auto d = std::make_shared<Doubles>(n);
    Case c{"Add_64f_I/" + std::to_string(n),
           12 * std::size_t(n),
           [=] { prim::ippsAdd_64f_I(d->a.data(), d->out.data(), n); },
           {},
           nullptr};
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
Case dotCase(int n) {
    auto d = std::make_shared<Doubles>(n);
    auto sink = std::make_shared<double>();
    Case c{"DotProd_64f/" + std::to_string(n),
           8 * std::size_t(n),
           [=] { prim::ippsDotProd_64f(d->a.data(), d->b.data(), n, sink.get()); },
           {},
           nullptr};
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
Case byteCase(const std::string& name, int n, int sf,
              prim::IppStatus (*ours)(const prim::Ipp8u*, prim::Ipp8u*, int, int),
              void (*plainFn)(const std::uint8_t*, std::uint8_t*, int, int), std::function<void(Bytes&)> cvFn) {
    auto b = std::make_shared<Bytes>(n);
    const auto original = b->dst;
    Case c{name + "/sf" + std::to_string(sf),
           3 * std::size_t(n) / 2,
           [=] { ours(b->src.data(), b->dst.data(), n, sf); },
           {},
           nullptr};
    c.peers.push_back({"plain", [=] { plainFn(b->src.data(), b->dst.data(), n, sf); }});
    if (cvFn) c.peers.push_back({"opencv", [=] { cvFn(*b); }});
    c.output = [=](const std::string& who) {
        b->dst = original;
        if (who == "ours") ours(b->src.data(), b->dst.data(), n, sf);
        else if (who == "plain") plainFn(b->src.data(), b->dst.data(), n, sf);
        else cvFn(*b);
        return b->dst;
    };
    return c;
}

// Collects the median of every "<case>/<who>" and prints one line per case.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median" && !r.error_occurred)
                medians_[r.run_name.function_name] = r.GetAdjustedCPUTime();
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nmedian CPU time of %d runs, microseconds; ratio = ours / peer (below 1: ours faster)\n",
                    kRepetitions);
        std::printf("%-24s %10s %10s %7s %10s %7s %10s\n", "case", "ours", "plain", "ratio", "opencv", "ratio",
                    "memcpy");
        for (const auto& [name, ours] : medians_) {
            const auto slash = name.rfind("/ours");
            if (slash == std::string::npos) continue;
            const std::string base = name.substr(0, slash);
            auto cell = [&](const char* who, bool withRatio) {
                const auto it = medians_.find(base + "/" + who);
                if (it == medians_.end()) return std::printf(withRatio ? " %10s %7s" : " %10s", "-", "-");
                if (!withRatio) return std::printf(" %10.2f", it->second);
                return std::printf(" %10.2f %7.2f", it->second, ours / it->second);
            };
            std::printf("%-24s %10.2f", base.c_str(), ours);
            cell("plain", true);
            cell("opencv", true);
            cell("memcpy", false);
            std::printf("\n");
        }
    }

private:
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);  // ours is single-threaded; compare like with like
    std::printf("load average before: %s\n", loadAverage().c_str());
    for (int n : {4096, 1 << 20}) {
        registerCase(doubleCase("Add_64f/" + std::to_string(n), n, prim::ippsAdd_64f, plain::add64,
                                [](cv::InputArray a, cv::InputArray b, cv::OutputArray d) { cv::add(a, b, d); }));
        registerCase(addInPlaceCase(n));
        registerCase(doubleCase("Mul_64f/" + std::to_string(n), n, prim::ippsMul_64f, plain::mul64,
                                [](cv::InputArray a, cv::InputArray b, cv::OutputArray d) { cv::multiply(a, b, d); }));
        registerCase(dotCase(n));
    }
    constexpr int kFrame = 1280 * 720;
    registerCase(byteCase("Add_8u_ISfs", kFrame, 0, prim::ippsAdd_8u_ISfs, plain::add8uScaled,
                          [](Bytes& b) { cv::add(b.mdst, b.msrc, b.mdst); }));
    registerCase(byteCase("Add_8u_ISfs", kFrame, 1, prim::ippsAdd_8u_ISfs, plain::add8uScaled,
                          [](Bytes& b) { cv::addWeighted(b.mdst, 0.5, b.msrc, 0.5, 0.0, b.mdst); }));
    registerCase(byteCase("Sub_8u_ISfs", kFrame, 0, prim::ippsSub_8u_ISfs, plain::sub8uScaled,
                          [](Bytes& b) { cv::subtract(b.mdst, b.msrc, b.mdst); }));
    registerCase(byteCase("Sub_8u_ISfs", kFrame, 2, prim::ippsSub_8u_ISfs, plain::sub8uScaled, nullptr));
    registerCase(byteCase("Mul_8u_ISfs", kFrame, 0, prim::ippsMul_8u_ISfs, plain::mul8uScaled,
                          [](Bytes& b) { cv::multiply(b.mdst, b.msrc, b.mdst); }));
    registerCase(byteCase("Mul_8u_ISfs", kFrame, 8, prim::ippsMul_8u_ISfs, plain::mul8uScaled,
                          [](Bytes& b) { cv::multiply(b.mdst, b.msrc, b.mdst, 1.0 / 256); }));
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("load average after: %s\n", loadAverage().c_str());
    return 0;
}

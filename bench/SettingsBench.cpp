// The settings store: a PASS_CODE write made durable, against a plain fsync'd write of the same
// bytes; and a read of a LOCK key after another process replaced the file, against a stat and
// read of that file.
#include "bench/BenchDevice.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUserDefaults.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kPasscodes[] = { "0,1,2,5,8", "6,3,0,4,8,5,2" };

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeWhole(const std::string& path, const std::string& bytes, bool durable)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    benchmark::DoNotOptimize(written);
    if (durable)
        ::fsync(fd);
    ::close(fd);
}

void BM_PasscodeWrite(benchmark::State& state)
{
    bench::BenchDevice::shared();
    auto defaults = NSUserDefaults::standardUserDefaults();
    std::size_t i = 0;
    for (auto _ : state) {
        defaults->setObject(NSString::stringWithString(kPasscodes[i++ % 2]), "PASS_CODE");
        if (!defaults->synchronize()) {
            state.SkipWithError("synchronize failed");
            break;
        }
    }
}

void BM_PasscodeWriteReference(benchmark::State& state)
{
    bench::BenchDevice::shared();
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(NSString::stringWithString(kPasscodes[0]), "PASS_CODE");
    defaults->synchronize();
    const std::string bytes = readAll(defaults->path());
    const std::string path = defaults->path() + ".reference";
    for (auto _ : state)
        writeWhole(path, bytes, true);
    std::remove(path.c_str());
}

// Two versions of the file as another process leaves them, swapped in by rename between reads.
struct OutsideWriter {
    std::string path;
    std::string versions[2];
    std::size_t next = 0;

    OutsideWriter()
    {
        bench::BenchDevice::shared();
        auto defaults = NSUserDefaults::standardUserDefaults();
        path = defaults->path();
        for (int v = 0; v < 2; ++v) {
            defaults->setBool(v == 0, "LOCK_IS_NEED_LOCK");
            defaults->setFloat(v == 0 ? 30.0f : 300.0f, "LOCK_INTERVAL");
            defaults->synchronize();
            versions[v] = readAll(path);
        }
    }
    void replace()
    {
        const std::string temporary = path + ".outside";
        writeWhole(temporary, versions[next++ % 2], false);
        std::rename(temporary.c_str(), path.c_str());
    }
};

void BM_LockKeyRead(benchmark::State& state)
{
    OutsideWriter outside;
    auto defaults = NSUserDefaults::standardUserDefaults();
    for (auto _ : state) {
        state.PauseTiming();
        const float expected = outside.next % 2 == 0 ? 30.0f : 300.0f;
        outside.replace();
        state.ResumeTiming();
        // Each read must see the other process's newest file.
        if (defaults->floatForKey("LOCK_INTERVAL") != expected) {
            state.SkipWithError("a read missed the outside change");
            break;
        }
    }
}

void BM_LockKeyReadReference(benchmark::State& state)
{
    OutsideWriter outside;
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        outside.replace();
        state.ResumeTiming();
        struct stat info {};
        ::stat(outside.path.c_str(), &info);
        bytes += readAll(outside.path).size() + static_cast<std::size_t>(info.st_size);
    }
    benchmark::DoNotOptimize(bytes);
}

} // namespace

BENCHMARK(BM_PasscodeWriteReference)->Name("settings/write_reference")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PasscodeWrite)->Name("settings/passcode_write")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LockKeyReadReference)->Name("settings/read_reference")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LockKeyRead)->Name("settings/lock_key_read")->Unit(benchmark::kMicrosecond);

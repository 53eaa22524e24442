// One page message of arbitrary bytes, end to end: the module of the bridge tests on their
// recording fakes (tests/support/bridge_fakes/) receives it as the page posts it, the
// user-interface queue is pumped, the dispatcher and the function it selects run. A bad request
// may leave the queue as the module's documented failure (an EVellumError raised from the queue
// when no error report is installed); anything else raised, more than one answer to the one
// request, or a crash is a fault. The functions that work on the machine's real files and
// folders are left out: a fuzzed path may name any folder, "..", or a UNC path that reads as an
// absolute one here.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "bridge_fixture.h"
#include "core/errors.h"

using namespace vellum;

namespace {

bool WorksOnRealFiles(std::int32_t id) {
    return (id >= 30001 && id <= 30004) || (id >= 40001 && id <= 40004) || id == 90001;
}

// The function a message names, read exactly as the dispatcher reads it; none when the
// dispatcher would refuse the message before choosing one.
std::optional<std::int32_t> RequestedFunction(const std::string& json) {
    try {
        return TBridgeDispatcher::ReadMessage(json).Id;
    } catch (const EVellumError&) {
        return std::nullopt;
    }
}

// The tests' fixture, set up by hand instead of by a test runner.
class TDispatcherRig final : public vellum::testing::TBridgeFixture {
public:
    TDispatcherRig() { SetUp(); }
    void TestBody() override {}

    void Feed(const std::string& bytes, bool runtime, bool plain) {
        const std::optional<std::int32_t> id = RequestedFunction(bytes);
        if (id && WorksOnRealFiles(*id)) return;
        if (!runtime) module->ExeZip = nullptr;  // preview mode
        try {
            Send(bytes, plain ? bytes : std::string());
        } catch (const EVellumError&) {
        }
        if (page.Answers.size() > 1) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte chooses runtime or preview mode and whether the page posted the text as a
    // plain string too, so that every dispatch path is reached.
    const bool runtime = size > 0 && (data[0] & 1) != 0;
    const bool plain = size > 0 && (data[0] & 2) != 0;
    TDispatcherRig rig;
    rig.Feed(std::string(reinterpret_cast<const char*>(data), size), runtime, plain);
    return 0;
}

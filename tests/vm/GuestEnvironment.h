#pragma once
// Whether the program runs inside the test guest (vm/run-in-vm.sh sets QMT_IN_VM=1) and
// what the guest must offer. Inside the guest a missing piece is a failure; on an ordinary
// host the kernel-level tests skip with a hint instead.

#include <string>

namespace qmt::vm {

bool InGuest();
// Empty when the kernel offers uhid, hidraw and the sequencer's "Midi Through" client;
// otherwise what is missing.
std::string MissingKernelFeatures();

}  // namespace qmt::vm

// Skips the test on a host without the kernel features and fails it in the guest.
#define QMT_REQUIRE_KERNEL_FEATURES()                                               \
    do {                                                                            \
        const std::string missing = ::qmt::vm::MissingKernelFeatures();             \
        if (!missing.empty()) {                                                     \
            if (::qmt::vm::InGuest()) FAIL() << "the test guest lacks " << missing; \
            GTEST_SKIP() << "this kernel lacks " << missing                         \
                         << "; run the program with vm/run-in-vm.sh";               \
        }                                                                           \
    } while (false)

// Library images carried by the skin tests (generated into test_images.cpp).
#ifndef ROLLCALL_TESTS_SERVICES_SKIN_TEST_IMAGES_H_
#define ROLLCALL_TESTS_SERVICES_SKIN_TEST_IMAGES_H_

#include <cstdint>
#include <span>

namespace rc {

std::span<const uint8_t> NoEntryTestImage();
std::span<const uint8_t> UnresolvedTestImage();

}  // namespace rc

#endif  // ROLLCALL_TESTS_SERVICES_SKIN_TEST_IMAGES_H_

#pragma once

#include <QByteArray>

#include <cstdint>

namespace Module1 {

// The XOR of every entry but the last, starting from 0. For a block frame (2048 image
// bytes and a checksum byte) it is the checksum of the block, whatever the last entry
// holds; an array of one entry or none gives 0.
std::uint8_t XorSum(const QByteArray &a);

} // namespace Module1

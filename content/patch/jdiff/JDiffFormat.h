#pragma once

#include <QtGlobal>

// The byte values of the JojoDiff delta format, shared by the decoder and the
// test encoder. ESC followed by one of the others is an opcode; ESC ESC is
// the data byte 0xA7; ESC followed by any other byte v is the two data bytes
// 0xA7 and v. Every other byte is data.
namespace jdiff {

constexpr uchar Esc = 0xA7;
constexpr uchar Mod = 0xA6; // following data replaces bytes of the old file
constexpr uchar Ins = 0xA5; // following data is inserted
constexpr uchar Del = 0xA4; // + length: skip bytes of the old file
constexpr uchar Eql = 0xA3; // + length: copy bytes of the old file
constexpr uchar Bkt = 0xA2; // + length: move back in the old file

// A length is one to nine bytes, decided by the first byte b:
//   0..251  the value b + 1
//   252     one byte n follows: n + 253
//   253     a 16-bit big-endian value follows
//   254     a 32-bit big-endian value follows
//   255     a 64-bit big-endian value follows
constexpr uchar LengthOneByteMax = 251;
constexpr uchar LengthByte = 252;
constexpr uchar Length16 = 253;
constexpr uchar Length32 = 254;
constexpr uchar Length64 = 255;

} // namespace jdiff

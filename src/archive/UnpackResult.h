// Why the unpacking of one entry stopped; the result of both unpackers.
//
// The packed stream has no invalid forms: every bit pattern decodes to
// something, and bad data only makes wrong or short output that the caller's
// CRC check rejects. What can go wrong is the amount:
//
//   result          when                                   a stream that gives it
//   Complete        exactly the entry's unpacked size      literal "A", then a match of
//                   was produced                           distance 1 and length 10; size 11
//   OutputOverrun   the stream made more bytes than the    the same stream with size 5: the
//                   entry holds; the excess was dropped    match passes the end
//   InputExhausted  the stream's bits ran out before the   the same stream with size 1000
//                   entry was complete
//   OutOfMemory     (the fast unpacker only) no window for the entry could be allocated;
//                   nothing was decoded
//
// The tests decode each of these with both unpackers, and the differential fuzz
// target starts from them.
#pragma once

enum class UnpackResult {
    Complete,
    OutputOverrun,
    InputExhausted,
    OutOfMemory,
};

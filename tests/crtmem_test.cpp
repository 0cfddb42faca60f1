/*
** The memory routines the DLL uses in place of the C runtime's, against
** a byte-by-byte model: every size up to 64 at every alignment of both
** ends, moves that overlap either way, and bytes of 0x80 and more.
*/
#include <gtest/gtest.h>

#include <string.h>

namespace {

const size_t kMaxSize = 64;
const size_t kAlignments = 2 * sizeof(size_t);
const size_t kRoom = kMaxSize + 2 * kAlignments;

/* A buffer of distinct bytes that runs through 0x80 to 0xFF. */
void Fill(unsigned char* bytes, unsigned char seed)
{
    for (size_t i = 0; i < kRoom; i++)
        bytes[i] = (unsigned char)(seed + 0x85 * i);
}

TEST(CrtMemTest, EverySizeAndAlignmentAgainstAModel)
{
    for (size_t size = 0; size <= kMaxSize; size++) {
        for (size_t from = 0; from < kAlignments; from++) {
            for (size_t to = 0; to < kAlignments; to++) {
                SCOPED_TRACE(testing::Message() << "size " << size << ", from +" << from << ", to +" << to);
                unsigned char a[kRoom], b[kRoom], want[kRoom];
                Fill(a, 1);
                Fill(b, 7);
                memcpy(want, b, kRoom);
                for (size_t i = 0; i < size; i++)
                    want[to + i] = a[from + i];
                ASSERT_EQ(memcpy(b + to, a + from, size), b + to);
                ASSERT_EQ(memcmp(b, want, kRoom), 0) << "memcpy";

                Fill(b, 7);
                for (size_t i = 0; i < size; i++)
                    want[to + i] = 0xC3;
                memcpy(want, b, to);
                ASSERT_EQ(memset(b + to, 0x1C3, size), b + to);
                for (size_t i = 0; i < kRoom; i++)
                    ASSERT_EQ(b[i], i >= to && i < to + size ? 0xC3 : want[i]) << "memset, byte " << i;

                /* Within one buffer: a move forward and one backward overlap whenever from != to. */
                Fill(a, 3);
                memcpy(want, a, kRoom);
                unsigned char copy[kRoom];
                memcpy(copy, a, kRoom);
                for (size_t i = 0; i < size; i++)
                    want[to + kAlignments + i] = copy[from + kAlignments / 2 + i];
                ASSERT_EQ(memmove(a + to + kAlignments, a + from + kAlignments / 2, size), a + to + kAlignments);
                for (size_t i = 0; i < kRoom; i++)
                    ASSERT_EQ(a[i], want[i]) << "memmove, byte " << i;

                /* One differing byte at each place: its sign decides, unsigned. */
                Fill(a, 5);
                memcpy(b, a, kRoom);
                ASSERT_EQ(memcmp(a + from, b + to + from - to, size), 0);
                for (size_t i = 0; i < size; i++) {
                    memcpy(b, a, kRoom);
                    b[from + i] = (unsigned char)(a[from + i] ^ 0x80);
                    int c = memcmp(a + from, b + from, size);
                    ASSERT_EQ(c > 0, a[from + i] > b[from + i]) << "memcmp, byte " << i;
                    ASSERT_NE(c, 0);
                }
            }
        }
    }
}

}  // namespace

/*
** The memory routines the DLL uses in place of the C runtime's, against
** a byte-by-byte model: every size up to 64 at every alignment of both
** ends, moves that overlap either way, and bytes of 0x80 and more. Built
** with -fno-builtin, so that the calls reach the routines instead of code
** the compiler puts in their place.
*/
#include <gtest/gtest.h>

#include <string.h>

namespace {

const size_t kMaxSize = 64;
const size_t kAlign = 2 * sizeof(size_t);
const size_t kRoom = kMaxSize + 2 * kAlign;

/* Whether two buffers hold the same bytes, by a loop of its own: memcmp is under test. */
bool Same(const unsigned char* a, const unsigned char* b)
{
    for (size_t i = 0; i < kRoom; i++) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

/* A buffer of distinct bytes that runs through 0x80 to 0xFF. */
void Fill(unsigned char* bytes, unsigned char seed)
{
    for (size_t i = 0; i < kRoom; i++)
        bytes[i] = (unsigned char)(seed + 0x85 * i);
}

TEST(CrtMemTest, EverySizeAndAlignmentAgainstAModel)
{
    for (size_t size = 0; size <= kMaxSize; size++) {
        for (size_t from = 0; from < kAlign; from++) {
            for (size_t to = 0; to < kAlign; to++) {
                SCOPED_TRACE(testing::Message() << "size " << size << ", from +" << from << ", to +" << to);
                unsigned char a[kRoom], b[kRoom], want[kRoom];
                Fill(a, 1);
                Fill(b, 7);
                Fill(want, 7);
                for (size_t i = 0; i < size; i++)
                    want[to + i] = a[from + i];
                ASSERT_EQ(memcpy(b + to, a + from, size), b + to);
                ASSERT_TRUE(Same(b, want)) << "memcpy";

                for (size_t i = 0; i < size; i++)
                    want[to + i] = 0xC3;
                ASSERT_EQ(memset(b + to, 0x1C3, size), b + to);
                ASSERT_TRUE(Same(b, want)) << "memset";

                /* Within one buffer: forward and backward moves overlap whenever from != to. */
                Fill(a, 3);
                Fill(want, 3);
                for (size_t i = 0; i < size; i++)
                    want[to + kAlign + i] = (unsigned char)(3 + 0x85 * (from + kAlign / 2 + i));
                ASSERT_EQ(memmove(a + to + kAlign, a + from + kAlign / 2, size), a + to + kAlign);
                ASSERT_TRUE(Same(a, want)) << "memmove";

                /* One differing byte at each place: it decides, compared unsigned. */
                Fill(a, 5);
                Fill(b, 5);
                ASSERT_EQ(memcmp(a + from, b + from, size), 0);
                for (size_t i = 0; i < size; i++) {
                    Fill(b, 5);
                    b[from + i] ^= 0x80;
                    int c = memcmp(a + from, b + from, size);
                    ASSERT_NE(c, 0);
                    ASSERT_EQ(c > 0, a[from + i] > b[from + i]) << "memcmp, byte " << i;
                }
            }
        }
    }
}

}  // namespace

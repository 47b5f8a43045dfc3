// Codecs per login: created for the slot count, decoders per participant,
// everything released again (ASan reports what is not).
#include <gtest/gtest.h>

#include "fixtures/ControlTestPeer.h"

namespace {

TEST(ControlCodecs, AudioCodecsInBothModesAndVideoDecodersPerParticipant) {
    struct Case {
        bool opus;
        int32_t rate;
        uint32_t slots;
    } cases[] = {{false, 32000, 3}, {true, 48000, 3}, {true, 16000, 0}};
    for (const Case& c : cases) {
        CQuorixControl ctl(nullptr);
        QuorixControlTestPeer::SetSlotCount(ctl, c.slots);
        QuorixControlTestPeer::SetOpus(ctl, c.opus, c.rate);
        ASSERT_TRUE(ctl.CreateAudioCodec());
        ASSERT_TRUE(ctl.CreateVideoCodec());
        EXPECT_TRUE(QuorixControlTestPeer::HasAudioCodecs(ctl));
        ctl.MakeVideoDecoder(1);
        ctl.MakeVideoDecoder(1);  // a participant keeps its one pair
        ctl.MakeVideoDecoder(2);
        EXPECT_EQ(QuorixControlTestPeer::DecoderCount(ctl), 4u);
        ctl.RemoveVideoDecoder(1);
        ctl.RemoveVideoDecoder(7);  // none there
        EXPECT_EQ(QuorixControlTestPeer::DecoderCount(ctl), 2u);
        ctl.DeleteAudioCodec();
        EXPECT_FALSE(QuorixControlTestPeer::HasAudioCodecs(ctl));
        ctl.DeleteAudioCodec();  // nothing left to delete
        ctl.DeleteVideoCodec();
        EXPECT_EQ(QuorixControlTestPeer::DecoderCount(ctl), 0u);
        ctl.MakeVideoDecoder(3);  // the destructor releases what a login left behind
        ASSERT_TRUE(ctl.CreateAudioCodec());
    }
}

}  // namespace

#include "ipcsim/upload_receiver.h"

#include <gtest/gtest.h>

using namespace vexlo::ipcsim;
using vexlo::protocol::UploadData;
using vexlo::protocol::UploadStatus;

namespace {

UploadData chunkOf(const std::string& image, std::uint32_t offset, std::size_t size)
{
    UploadData chunk;
    chunk.offset = offset;
    chunk.data.assign(image.begin() + offset, image.begin() + offset + size);
    return chunk;
}

} // namespace

TEST(UploadReceiver, SoundFileInOddChunks)
{
    const std::string image = makeFirmwareImage("V1.2", 1000);
    UploadReceiver receiver;
    EXPECT_EQ(receiver.begin(1000, {}).ack->received, 0u);
    std::uint32_t offset = 0;
    for (std::size_t size : {1u, 95u, 500u, 404u}) {
        const auto step = receiver.data(chunkOf(image, offset, size));
        offset += static_cast<std::uint32_t>(size);
        ASSERT_TRUE(step.ack);
        EXPECT_EQ(step.ack->received, offset);
    }
    const auto end = receiver.end(1000);
    ASSERT_TRUE(end.result);
    EXPECT_TRUE(end.completed);
    EXPECT_TRUE(receiver.verdict().accepted);
    EXPECT_EQ(receiver.verdict().version, "V1.2");
}

TEST(UploadReceiver, OrderAndSizeErrors)
{
    const std::string image = makeFirmwareImage("V1", 400);
    UploadReceiver receiver;
    receiver.begin(400, {});
    EXPECT_EQ(receiver.data(chunkOf(image, 100, 10)).result->status, UploadStatus::OutOfOrder);
    EXPECT_FALSE(receiver.data(chunkOf(image, 0, 10)).ack) << "stale after the end";

    receiver.begin(100, {});
    EXPECT_EQ(receiver.data(chunkOf(image, 0, 101)).result->status, UploadStatus::SizeMismatch);

    receiver.begin(400, {});
    receiver.data(chunkOf(image, 0, 200));
    EXPECT_EQ(receiver.end(400).result->status, UploadStatus::SizeMismatch) << "too early";

    receiver.begin(200, {});
    receiver.data(chunkOf(image, 0, 200));
    EXPECT_EQ(receiver.end(201).result->status, UploadStatus::SizeMismatch);
}

TEST(UploadReceiver, StallNeverAcknowledgesBeyondItsPercent)
{
    const std::string image = makeFirmwareImage("V1", 999);
    CameraFaults faults;
    faults.uploadStallPercent = 40; // 399 bytes
    UploadReceiver receiver;
    receiver.begin(999, faults);
    EXPECT_EQ(receiver.data(chunkOf(image, 0, 300)).ack->received, 300u);
    EXPECT_FALSE(receiver.data(chunkOf(image, 300, 100)).ack);
    EXPECT_TRUE(receiver.stalled());
    EXPECT_FALSE(receiver.data(chunkOf(image, 300, 99)).ack);
    EXPECT_FALSE(receiver.end(999).result) << "a stalled upload never ends";

    faults.uploadStallPercent = 100;
    receiver.begin(999, faults);
    EXPECT_EQ(receiver.data(chunkOf(image, 0, 999)).ack->received, 999u);
    EXPECT_FALSE(receiver.end(999).result);

    faults.uploadStallPercent = 0;
    const auto begin = receiver.begin(999, faults);
    EXPECT_EQ(begin.ack->received, 0u);
    EXPECT_FALSE(receiver.data(chunkOf(image, 0, 1)).ack);
}

TEST(UploadReceiver, FailureAtItsPercent)
{
    const std::string image = makeFirmwareImage("V1", 1000);
    CameraFaults faults;
    faults.uploadFailPercent = 50;
    UploadReceiver receiver;
    receiver.begin(1000, faults);
    EXPECT_TRUE(receiver.data(chunkOf(image, 0, 499)).ack);
    const auto failed = receiver.data(chunkOf(image, 499, 1));
    ASSERT_TRUE(failed.result);
    EXPECT_EQ(failed.result->status, UploadStatus::Failed);
    EXPECT_EQ(failed.result->received, 500u);
    EXPECT_FALSE(receiver.active());

    faults.uploadFailPercent = 0;
    const auto atOnce = receiver.begin(1000, faults);
    EXPECT_FALSE(atOnce.ack);
    EXPECT_EQ(atOnce.result->status, UploadStatus::Failed);
}

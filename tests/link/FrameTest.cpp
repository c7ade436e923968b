#include "link/AdapterFrame.h"
#include "link/CanRecord.h"
#include "link/GpioFrame.h"
#include "link/SerialFrame.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(CanRecordTest, IdentifierLayoutAndLittleEndianBytes)
{
    EXPECT_EQ(0x00080002u, CanIdentifier(0x02, 0));
    EXPECT_EQ(0x00080105u, CanIdentifier(0x05, 1));
    EXPECT_EQ(0x00080201u, CanIdentifier(0x01, 2));
    EXPECT_EQ(0x00080014u, CanIdentifierNoBoard(0x14));
    EXPECT_EQ(0x03, CanMessageCode(0x00080203));
    EXPECT_EQ(2, CanBoard(0x00080203));

    TCanRecord r = MakeCanRecord(0x00080103, 0x44332211, 0x88776655);
    const auto b = r.ToBytes();
    const Bytes expected = {0x00, 0x00, 0x08, 0x80, 0x03, 0x01, 0x08, 0x00,
                            0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    EXPECT_EQ(expected, Bytes(b.begin(), b.end()));
    EXPECT_EQ(r, TCanRecord::FromBytes(b.data()));
    EXPECT_EQ(0x11, r.Data(0));
    EXPECT_EQ(0x88, r.Data(7));
    r.SetData(5, 0xAB);
    EXPECT_EQ(0x8877AB55u, r.DataHigh);
}

TEST(CanRecordTest, LinkKindNames)
{
    const char* names[] = {"GPIO", "GPIO Search", "Simple Serial", "Simple Serial Search", "USB to CAN",
                           "USB to CAN Search"};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(names[k], LinkKindName(k));
    EXPECT_EQ("", LinkKindName(6));
}

TEST(CanRecordTest, HexHelpers)
{
    EXPECT_EQ("0A", HexByte(0x0A));
    EXPECT_EQ("0008000F", HexId8(0x8000F));
    EXPECT_EQ("1122334455667788", HexData16(0x44332211, 0x88776655));
    EXPECT_EQ(0xABCDu, HexValue("aBcD"));
    uint32_t lo, hi;
    HexToData16("1122334455667788", lo, hi);
    EXPECT_EQ(0x44332211u, lo);
    EXPECT_EQ(0x88776655u, hi);
}

// ---- GPIO ---------------------------------------------------------------

TEST(GpioFrameTest, WireCodeTableInIndexOrder)
{
    const uint8_t codes[] = {0x01, 0x02, 0x03, 0x04, 0x11, 0x12, 0x13, 0x14, 0x21,
                             0x22, 0x91, 0x92, 0x93, 0x94, 0xA1, 0xA2, 0xFF};
    for (int i = 0; i < kGpioTypeCount; ++i) {
        EXPECT_EQ(codes[i], GpioWireCodes[i].WireCode) << i;
        if (i < kGpioTypeCount - 1)
            EXPECT_EQ(i, GpioTypeOfCode(codes[i]));
    }
    EXPECT_STREQ("Returns Hardward ID and DIP", GpioWireCodes[0].Name);
    EXPECT_STREQ("Canport 2 Data In/Out", GpioWireCodes[9].Name);
    EXPECT_EQ(gtUnknown, GpioTypeOfCode(0x55));
}

struct GpioBuildCase {
    TGpioType type;
    Bytes data;
    Bytes frame;
};

TEST(GpioFrameTest, BuildsGoldenFrames)
{
    const GpioBuildCase cases[] = {
        {gtDip, {}, {0xF9, 0x01, 0x00, 0xFA, 0x9F}},
        {gtDirections, {0x00}, {0xF9, 0x02, 0x01, 0xFC, 0x00, 0x9F}},
        {gtCanConfig1, {6, 0, 0}, {0xF9, 0xA1, 0x03, 0x9D, 6, 0, 0, 0x9F}},
        {gtSerial1 , {'A', 'B'}, {0xF9, 0x11, 0x02, 0x0C, 'A', 'B', 0x9F}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.frame, BuildGpioFrame(c.type, c.data)) << int(c.type);
    // A CAN record travels as its 16 bytes.
    const auto rec = MakeCanRecord(CanIdentifier(0x02, 0)).ToBytes();
    const Bytes frame = BuildGpioFrame(gtCan1, Bytes(rec.begin(), rec.end()));
    ASSERT_EQ(21u, frame.size());
    EXPECT_EQ(0x21, frame[1]);
    EXPECT_EQ(16, frame[2]);
    EXPECT_EQ(static_cast<uint8_t>(0xF9 + 0x21 + 16), frame[3]);
    EXPECT_EQ(0x9F, frame[20]);
}

TEST(GpioFrameTest, BuildCutsDataAt255Bytes)
{
    const Bytes data(300, 0x55);
    const Bytes frame = BuildGpioFrame(gtSerial1, data);
    ASSERT_EQ(260u, frame.size());
    EXPECT_EQ(255, frame[2]);
    EXPECT_EQ(0x9F, frame.back());
}

struct GpioParseCase {
    const char* name;
    Bytes input;
    std::vector<std::pair<TGpioType, Bytes>> messages;
    Bytes rest;
};

std::vector<GpioParseCase> GpioParseCases()
{
    const Bytes dip = {0xF9, 0x01, 0x05, 0xFF, 0x12, 0x34, 0x56, 0x78, 0x9A, 0x9F};
    const Bytes status = {0xF9, 0x03, 0x02, 0xFE, 0x0F, 0xF0, 0x9F};
    auto cat = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const auto& p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    return {
        {"one frame", dip, {{gtDip, {0x12, 0x34, 0x56, 0x78, 0x9A}}}, {}},
        {"two frames with garbage between", cat({{0x00, 0x13}, dip, {0x77}, status}),
         {{gtDip, {0x12, 0x34, 0x56, 0x78, 0x9A}}, {gtSetBits, {0x0F, 0xF0}}}, {}},
        {"incomplete frame kept from its start", cat({{0x01, 0x02}, Bytes(dip.begin(), dip.begin() + 7)}), {},
         Bytes(dip.begin(), dip.begin() + 7)},
        {"checksum matches but end byte missing so far", Bytes(dip.begin(), dip.end() - 1), {},
         Bytes(dip.begin(), dip.end() - 1)},
        {"bad end byte skipped one byte at a time, real frame inside found",
         cat({{0xF9, 0x01, 0x05, 0xFF, 0x00}, status, {0x00, 0x00, 0x00}}), {{gtSetBits, {0x0F, 0xF0}}},
         {0x00, 0x00, 0x00}},
        {"zero-length frame consumed silently", cat({{0xF9, 0x01, 0x00, 0xFA, 0x9F}, status}),
         {{gtSetBits, {0x0F, 0xF0}}}, {}},
        {"bad checksum skipped", cat({{0xF9, 0x01, 0x05, 0x00}, dip}), {{gtDip, {0x12, 0x34, 0x56, 0x78, 0x9A}}}, {}},
        {"unknown code maps to Unknown", {0xF9, 0x55, 0x01, 0x4F, 0x01, 0x9F}, {{gtUnknown, {0x01}}}, {}},
        {"fewer than five bytes stay", {0x11, 0x22, 0x33}, {}, {0x11, 0x22, 0x33}},
        // A length above 250 with a matching checksum is no frame: it must
        // neither be waited for nor stop the frame right behind it.
        {"length above 250 rejected like a bad candidate",
         cat({{0xF9, 0x11, 0xFB, static_cast<uint8_t>(0xF9 + 0x11 + 0xFB)}, status}), {{gtSetBits, {0x0F, 0xF0}}}, {}},
    };
}

TEST(GpioFrameTest, ParseTable)
{
    for (const auto& c : GpioParseCases()) {
        Bytes buffer = c.input;
        buffer.resize(kGpioRxBufferSize);
        std::vector<TGpioMessage> out;
        const size_t rest = ParseGpioBuffer(buffer.data(), c.input.size(), out);
        ASSERT_EQ(c.messages.size(), out.size()) << c.name;
        for (size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(c.messages[i].first, out[i].Type) << c.name;
            EXPECT_EQ(c.messages[i].second, out[i].Data) << c.name;
        }
        EXPECT_EQ(c.rest, Bytes(buffer.begin(), buffer.begin() + rest)) << c.name;
    }
}

TEST(GpioFrameTest, FrameOf250DataBytesAcceptedAndSplitDeliveryCompletes)
{
    Bytes data(250);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    const Bytes frame = BuildGpioFrame(static_cast<TGpioType>(gtSerial1 + 1), data);
    Bytes buffer(kGpioRxBufferSize);
    std::vector<TGpioMessage> out;
    // First half: kept; then the rest arrives behind it.
    std::copy(frame.begin(), frame.begin() + 100, buffer.begin());
    size_t count = ParseGpioBuffer(buffer.data(), 100, out);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(100u, count);
    std::copy(frame.begin() + 100, frame.end(), buffer.begin() + count);
    count = ParseGpioBuffer(buffer.data(), frame.size(), out);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(gtSerial1 + 1, out[0].Type);
    EXPECT_EQ(data, out[0].Data);
    EXPECT_EQ(0u, count);
}

// ---- USB-to-CAN adapter -------------------------------------------------

TEST(AdapterFrameTest, FixedTextsAndTransmitFrame)
{
    const std::vector<std::string> reset = {"C\r", "S6\r", "E\r", "O\r"};
    EXPECT_EQ(reset, AdapterResetSequence());
    EXPECT_STREQ("T0008000280000000000000000\r", kAdapterPing);
    EXPECT_EQ(kAdapterPing, BuildAdapterFrame(MakeCanRecord(CanIdentifier(0x02, 0))));
    EXPECT_EQ("T000802018ABBCDEF011223344\r", BuildAdapterFrame(MakeCanRecord(0x00080201, 0xF0DEBCAB, 0x44332211)));
    EXPECT_EQ(27u, BuildAdapterFrame(TCanRecord{}).size());
}

struct AdapterCase {
    const char* name;
    std::string text;
    std::vector<TCanRecord> records;
    std::string rest;
    std::vector<std::string> log;
};

TEST(AdapterFrameTest, ParseTable)
{
    const TCanRecord status = MakeCanRecord(0x00080103, 0x44332211, 0x88776655);
    const std::string statusText = "T000801038" "1122334455667788";
    const AdapterCase cases[] = {
        {"frame with CR", statusText + "\r", {status}, "", {}},
        {"garbage and adapter acks before the frame", "\r\az\r" + statusText + "\r", {status}, "", {}},
        {"lower-case digits accepted", "t\rT000801038" "0a0b0c0d0e0f1011\r",
         {MakeCanRecord(0x00080103, 0x0D0C0B0A, 0x11100F0E)}, "", {}},
        {"no T: text kept", "z\rz\r", {}, "z\rz\r", {}},
        {"fewer than 25 after T: wait", "xxT0008010381122", {}, "T0008010381122", {}},
        {"exactly 25 without CR decoded at once", statusText, {status}, "", {}},
        {"two frames", statusText + "\r" + statusText + "\r", {status, status}, "", {}},
        {"own Status Request dropped whatever the board", "T000802028" "0000000000000000\r" + statusText + "\r",
         {status}, "", {}},
        {"misplaced CR: this T skipped, next one found", "T00080103811\r" + statusText + "\r", {status}, "", {}},
        {"short data field logged", "T000801038112233\r445566778", {}, "", {"SS_Data:112233"}},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        TAdapterParse result;
        ParseAdapterText(text, result);
        EXPECT_EQ(c.records, result.Records) << c.name;
        EXPECT_EQ(c.rest, text) << c.name;
        EXPECT_EQ(c.log, result.LogLines) << c.name;
    }
}

TEST(AdapterFrameTest, CrArrivingAfterAnEarlyDecodeIsDroppedBeforeTheNextFrame)
{
    const std::string frame = "T000801038" "1122334455667788";
    std::string text = frame;
    TAdapterParse result;
    ParseAdapterText(text, result);
    ASSERT_EQ(1u, result.Records.size());
    text += "\r" + frame + "\r";
    ParseAdapterText(text, result);
    EXPECT_EQ(2u, result.Records.size());
    EXPECT_EQ("", text);
    EXPECT_EQ("T" + frame.substr(1), result.DebugLines.at(0));
}

// ---- direct serial ------------------------------------------------------

TEST(SerialFrameTest, BuildsTheStatusRequestLine)
{
    const std::string line = BuildSerialLine(0x02, 0, 0);
    ASSERT_EQ(32u, line.size());
    const std::string body = "@02,00,00,00,00,00,00,00,00,";
    EXPECT_EQ(body, line.substr(0, 28));
    unsigned sum = 0;
    for (char c : body)
        sum += static_cast<uint8_t>(c);
    EXPECT_EQ(HexByte(static_cast<uint8_t>(sum)), line.substr(28, 2));
    EXPECT_EQ("\r\n", line.substr(30));
    EXPECT_EQ(static_cast<uint8_t>(sum), SerialChecksum(line));
    EXPECT_EQ("@01,2A,01,00,00,00,00,00,00,", BuildSerialLine(0x01, 0x0000012A, 0).substr(0, 28));
}

std::string ControllerLine(char start, uint8_t code, std::initializer_list<uint8_t> data, int checksumDelta = 0)
{
    std::string line(1, start);
    line += HexByte(code) + ",";
    for (uint8_t d : data)
        line += HexByte(d) + ",";
    line += HexByte(static_cast<uint8_t>(SerialChecksum(line) + checksumDelta));
    return line + "\r\n";
}

TEST(SerialFrameTest, ParseTable)
{
    const std::string a = ControllerLine('#', 0x03, {1, 2, 3, 4, 5, 6, 7, 8});
    const std::string b = ControllerLine('$', 0x09, {9, 8, 7, 6, 5, 4, 3, 2});
    const std::string bad = ControllerLine('#', 0x04, {0, 0, 0, 0, 0, 0, 0, 0}, 1);
    const TCanRecord ra = MakeCanRecord(0x03, 0x04030201, 0x08070605);
    const TCanRecord rb = MakeCanRecord(0x09, 0x06070809, 0x02030405);
    struct Case {
        const char* name;
        std::string text;
        std::vector<TCanRecord> records;
        std::string rest;
        size_t crcLines;
    } cases[] = {
        {"one line", a, {ra}, "", 0},
        {"dollar line", b, {rb}, "", 0},
        {"garbage before, two lines", "xx" + a + b, {ra, rb}, "", 0},
        {"bad checksum: CRC line, next still decoded", bad + a, {ra}, "", 1},
        {"no start character: cleared", std::string(40, 'z'), {}, "", 0},
        {"line not ended by LF: start dropped, next found", a.substr(0, 20) + a, {ra}, "", 0},
        {"incomplete line kept for more", "zz" + a.substr(0, 31), {}, a.substr(0, 31), 0},
        {"too short to work on", a.substr(0, 30), {}, a.substr(0, 30), 0},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        TSerialParse result;
        ParseSerialText(text, result);
        EXPECT_EQ(c.records, result.Records) << c.name;
        EXPECT_EQ(c.rest, text) << c.name;
        EXPECT_EQ(c.crcLines, result.DebugLines.size()) << c.name;
    }
    std::string text = bad;
    TSerialParse result;
    ParseSerialText(text, result);
    ASSERT_EQ(1u, result.DebugLines.size());
    EXPECT_EQ("CRC : " + bad.substr(0, 30), result.DebugLines[0]);
}

TEST(SerialFrameTest, LineArrivingInPiecesIsDecodedWhenComplete)
{
    const std::string a = ControllerLine('#', 0x03, {1, 2, 3, 4, 5, 6, 7, 8});
    std::string text;
    TSerialParse result;
    for (size_t i = 0; i < a.size(); i += 7) {
        text += a.substr(i, 7);
        if (text.size() > 28)
            ParseSerialText(text, result);
    }
    ASSERT_EQ(1u, result.Records.size());
    EXPECT_EQ(0x03u, result.Records[0].Identifier);
}

} // namespace
} // namespace orv

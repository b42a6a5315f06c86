// Writes the seed corpora of the fuzz targets into <folder>/<target>/ from the demo plant and a few
// hand-picked inputs: fuzz_seed_corpus fuzz/corpus

#include "FuzzSupport.h"
#include "Plant.h"
#include "WireText.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

using namespace pelorin;
using fuzz::JoinArrivals;

class Corpus {
public:
    explicit Corpus(QString folder) : m_Folder(std::move(folder)) {}

    bool add(const char* target, const char* name, std::string_view bytes) {
        const QDir dir(m_Folder + QLatin1Char('/') + QLatin1String(target));
        QFile file(dir.filePath(QLatin1String(name)));
        if (!dir.mkpath(QStringLiteral(".")) || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                static_cast<qint64>(bytes.size())) {
            std::fprintf(stderr, "fuzz_seed_corpus: cannot write %s\n", qPrintable(file.fileName()));
            return false;
        }
        return true;
    }

private:
    QString m_Folder;
};

// One record of every type, nested as the demo plant never nests them.
std::string EveryRecordType() {
    PictureWriter symbolChildren, inner, groupLine, groupText, picture;
    inner.box(1, false, true, 1, 0, 0, 4, 4);
    symbolChildren.line(1, 2, true, 1, 2, 3, 4).symbol(3, inner);
    groupLine.line(2, 1, false, 5, 6, 7, 8);
    groupText.text(3, 4, 9, 10, "AV");
    picture.text(1, 2, 5, 470, "Tilluft \xE5\xE4\xF6")
        .symbol(9, symbolChildren)
        .dynValue(1, 4, 2, 300, 310, "VS01.MV.GT11")
        .circle(5, 6, 2, 100, 110, 120, 130, -90, 270)
        .fill(6, 7, 200, 210)
        .pictureLink(7, 0, 10, 11, 2)
        .dynGroup(0xAB, 0xCD, 320, 330, 1, "LB01.IND.TF1", {{0, groupLine}, {1, groupText}})
        .setpoint("VS01.DAG", "Par 1", "Par 2", "Par 3", "Par 4")
        .empty()
        .raw(99, "xyz");
    return picture.data();
}

bool WritePictureSeeds(Corpus& corpus, const sim::Plant& plant) {
    bool ok = corpus.add("fuzz_picture_parser", "every-record-type", EveryRecordType());
    for (const auto& [number, picture] : plant.pictures) {
        const std::string name = "demo-picture-" + std::to_string(number);
        ok = corpus.add("fuzz_picture_parser", name.c_str(), picture.elementData) && ok;
    }
    return ok;
}

bool WriteNumberSeeds(Corpus& corpus) {
    const char* texts[][2] = {
        {"plain", "21.5"},
        {"signed-exponent", " -3.25e-2x"},
        {"fraction-only", "+.5E3"},
        {"comma", "12,5"},
        {"too-large", "1e999"},
        {"too-small", "-0.00001e-400"},
        {"bare-exponent", "2e+"},
        {"no-number", "  abc"},
        {"long-mantissa", "0.000000000000000000000000000001234567890123456789e30"},
        {"largest", "1.7976931348623157e308"},
        {"half", "2.5"},
        {"negative-half", "-32768.5"},
    };
    bool ok = true;
    for (const auto& [name, text] : texts)
        ok = corpus.add("fuzz_number_reader", name, text) && ok;
    return ok;
}

bool WriteFrameSeeds(Corpus& corpus, const sim::Plant& plant) {
    const std::string stream =
        EncodeFrame(MSG_LOGIN_REPLY, Long2String(31) + Long2String(2002) + Long2String(20000) + "\xC5sa") +
        EncodeFrame(MSG_PICTURE_TABLE, plant.pictureTable().substr(0, 200)) +
        EncodeFrame(MSG_VALUE, std::string("\x00\x03", 2) + "21.5") + EncodeFrame(MSG_NO_PICTURE, {});
    const std::string tooLong = EncodeFrame(MSG_VALUE, "1") + std::string("\x06\x7F\xFF\xFF\xFF", 5);
    return corpus.add("fuzz_frames", "whole", JoinArrivals(0, {}, stream)) &&
           corpus.add("fuzz_frames", "split-in-heads", JoinArrivals(0, {1, 3, 5, 30}, stream)) &&
           corpus.add("fuzz_frames", "split-emptying-handler", JoinArrivals(0x20, {7, 2, 1}, stream)) &&
           corpus.add("fuzz_frames", "length-beyond-limit", JoinArrivals(0, {4}, tooLong));
}

std::string Login(std::string_view visa, std::string_view password) {
    return EncodeFrame(CMD_LOGIN, ScrambleLogin(std::string(visa) + '\xFF' + std::string(password), 0x5A));
}

std::string Frame(Command code, std::string_view payload = {}) {
    return EncodeFrame(code, payload);
}

bool WriteSimSeeds(Corpus& corpus) {
    const std::string pictures =
        Login("DEMO", "demo") + Frame(CMD_GET_PICTURE_TABLE) + Frame(CMD_GET_PICTURE, "3") +
        Frame(CMD_WRITE_VALUE, Long2String(2) + "21.5") + Frame(CMD_GET_PICTURE, "2") +
        Frame(CMD_GET_PICTURE, "999") + Frame(CMD_LOGOUT);
    const std::string setpoints =
        Login("DEMO", "demo") + Frame(CMD_GET_PICTURE, "3") +
        Frame(CMD_WATCH_SETPOINT, "VS01.DAG.PAR1;VS01.DAG.PAR2;VS01.DAG.PAR3;VS01.DAG.PAR4") +
        Frame(CMD_WRITE_VALUE, Long2String(0) + "52") + Frame(CMD_UNWATCH_SETPOINT);
    const std::string texts = Login("DEMO", "demo") + Frame(CMD_GET_FUNCTION_TEXT, "1") +
                              Frame(CMD_SAVE_PICTURE_LOG, Long2String(1) + "Filter bytt \xE5r 2024") +
                              Frame(CMD_GET_PICTURE_LOG, Long2String(1)) +
                              Frame(CMD_SAVE_GLOBAL_LOG, "Drift ok") + Frame(CMD_GET_GLOBAL_LOG) +
                              Frame(CMD_SYSDIAL_CHANNEL) + Frame(CMD_SYSDIAL_CHANNEL);
    const std::string refused = Login("LAS", "fel") + Frame(CMD_GET_PICTURE, "1") + Login("LAS", "las") +
                                Frame(CMD_GET_PICTURE, "1") + Frame(CMD_WRITE_VALUE, Long2String(0) + "5");
    constexpr uint16_t kTick = fuzz::kMark;
    return corpus.add("fuzz_sim_commands", "pictures-and-writes", JoinArrivals(0, {}, pictures)) &&
           corpus.add("fuzz_sim_commands", "setpoints-with-time",
                      JoinArrivals(0, {static_cast<uint16_t>(kTick | 40), kTick | 2, kTick}, setpoints)) &&
           corpus.add("fuzz_sim_commands", "texts-and-channel", JoinArrivals(0, {3, 9}, texts)) &&
           corpus.add("fuzz_sim_commands", "refused-then-read-only", JoinArrivals(0, {}, refused));
}

uint16_t Length(std::string_view piece) {
    return static_cast<uint16_t>(piece.size());
}

uint16_t Marked(std::string_view piece) {
    return static_cast<uint16_t>(fuzz::kMark | piece.size());
}

// Four bytes per key press: key, Shift argument, caret and selection (as the target reads them).
std::string Keys(std::string_view typed, uint8_t caret = 0xFF) {
    std::string keys;
    for (char key : typed)
        keys += std::string{key, '\0', static_cast<char>(caret), '\0'};
    return keys;
}

bool WriteTerminalSeeds(Corpus& corpus) {
    constexpr uint8_t kHistory64 = 4 << 5;
    constexpr uint8_t kLargestHistory = 7 << 5;
    const std::string prompt = "abc\r\nKODORD:\r\n";
    const std::string codeWord = Keys("1234\r");
    const std::string echo = Keys("DIR\r");
    const std::string backspaces = std::string("\x08\x00\xFF\x00\x08\x03\xFF\x00", 8);
    const std::string enterOnFirstLine = Keys("\r", 0x01);
    return corpus.add(
               "fuzz_terminal_buffer", "code-word",
               JoinArrivals(0xC0, {Length(prompt), Marked(codeWord)}, prompt + codeWord + "1234 OK")) &&
           corpus.add(
               "fuzz_terminal_buffer", "echo-and-history",
               JoinArrivals(
                   kHistory64, {Marked(echo), 5},
                   echo + "DIR\r\nOK 0123456789012345678901234567890123456789012345678901234567890123")) &&
           corpus.add("fuzz_terminal_buffer", "split-line-ends-and-backspace",
                      JoinArrivals(0xC0, {3, Marked(backspaces), 3}, "OK\r" + backspaces + "\nB\r")) &&
           corpus.add(
               "fuzz_terminal_buffer", "enter-copies-a-line",
               JoinArrivals(kLargestHistory, {7, Marked(enterOnFirstLine)}, "abc\r\nxy" + enterOnFirstLine));
}

bool WriteSysdialSeeds(Corpus& corpus, const sim::Plant& plant) {
    const auto info = [](int32_t inUse, int32_t total, const std::vector<std::string>& users) {
        std::string payload = Long2String(inUse) + Long2String(total);
        for (const std::string& user : users)
            payload += Long2String(static_cast<int32_t>(user.size())) + user;
        return payload;
    };
    const auto withMacros = [](std::string payload, const std::string& macros) {
        return payload + Long2String(static_cast<int32_t>(macros.size())) + macros;
    };
    const std::string demo = withMacros(info(1, 2, {"DEMO"}), plant.macroList);
    const std::string noMacroPart = info(2, 2, {"DEMO", "LAS"});
    const std::string shorter = withMacros(info(0, 2, {}), std::string("a=A\0\0b=B", 9));
    const std::string emptyFirst = withMacros(info(0, 2, {}), std::string("\0x=X", 4));
    const std::string cut = info(3, 2, {"DEMO"}) + std::string(2, '\0');
    return corpus.add("fuzz_sysdial_info", "demo-then-none-then-shorter",
                      JoinArrivals(0, {Length(demo), Length(noMacroPart)}, demo + noMacroPart + shorter)) &&
           corpus.add("fuzz_sysdial_info", "empty-first-entry-and-cut-users",
                      JoinArrivals(0, {Length(demo), Length(emptyFirst)}, demo + emptyFirst + cut));
}

// A session as the server plays it, with the operator acting between arrivals: login, the picture
// table, a picture with setpoint blocks and all its values, a value chosen and a block opened, then
// a new picture, the texts, no picture and the server's logout.
bool WriteDispatchSeeds(Corpus& corpus, const sim::Plant& plant) {
    const auto pictureWithValues = [](const sim::ServedPicture& picture) {
        std::string frames =
            EncodeFrame(MSG_PICTURE, EncodePictureMessage(picture.header, picture.elementData));
        for (size_t i = 0; i < picture.dynamics.size(); ++i) {
            const int kind = picture.dynamics[i].setpointKind;
            const std::string value = kind >= 0 ? std::to_string(kind) : "21.5";
            frames += EncodeFrame(MSG_VALUE, Short2String(static_cast<int32_t>(i)) + value);
        }
        return frames;
    };
    const std::string opening =
        EncodeFrame(MSG_LOGIN_REPLY, Long2String(31) + Long2String(2002) + Long2String(20000) + "Demo") +
        EncodeFrame(MSG_PICTURE_TABLE, plant.pictureTable()) + pictureWithValues(plant.pictures.at(3));
    const std::string doubleClick("\x00\x01\xD6\x00\x76", 5);
    const std::string tick("\x03", 1);
    const std::string openBlock("\x04\x00\x00", 3);
    const std::string send("\x05", 1);
    const std::string actions = doubleClick + tick + openBlock;
    const std::string closing =
        pictureWithValues(plant.pictures.at(2)) + EncodeFrame(MSG_FUNCTION_TEXT, "Funktion") +
        EncodeFrame(MSG_PICTURE_LOG, "Logg") + EncodeFrame(MSG_NO_PICTURE, {}) + EncodeFrame(MSG_LOGOUT, {});
    return corpus.add("fuzz_receive_dispatch", "session-with-operator",
                      JoinArrivals(0,
                                   {Length(opening), Marked(doubleClick), Marked(tick), Marked(openBlock),
                                    Marked(send), 40},
                                   opening + actions + send + closing));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_corpus <corpus-folder>\n");
        return 2;
    }
    sim::Plant plant;
    QString error;
    if (!sim::LoadPlant(sim::DemoPlantFolder(), plant, &error)) {
        std::fprintf(stderr, "fuzz_seed_corpus: %s\n", qPrintable(error));
        return 1;
    }
    Corpus corpus(QString::fromLocal8Bit(argv[1]));
    const bool ok = WritePictureSeeds(corpus, plant) && WriteNumberSeeds(corpus) &&
                    WriteFrameSeeds(corpus, plant) && WriteSimSeeds(corpus) && WriteTerminalSeeds(corpus) &&
                    WriteSysdialSeeds(corpus, plant) && WriteDispatchSeeds(corpus, plant);
    return ok ? 0 : 1;
}

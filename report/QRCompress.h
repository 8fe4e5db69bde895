#pragma once
// Adaptive splay-tree prefix code for page bodies. Saved report files depend on every bit of
// it: the tree's initial shape, the order of the bits inside a byte and the splay step.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

class TQRStream;

class TQRCompress
{
public:
    // Codes into (CompressData) or out of aStream at its current position.
    TQRCompress(TQRStream &aStream, bool CompressData);
    // Without a store: compressing collects the output (TakeOutput); expanding reads from
    // SetInput's bytes.
    explicit TQRCompress(bool CompressData);
    // Closes quietly when Close was not called; call Close to see a failing write.
    ~TQRCompress();
    TQRCompress(const TQRCompress &) = delete;
    TQRCompress &operator=(const TQRCompress &) = delete;

    void Compress(std::uint8_t Plain);
    std::uint8_t Expand();

    // Compressing: writes the last partly filled byte. Expanding: puts back what was read
    // ahead, so that the store stands right after the last byte the code used.
    void Close();

    void SetInput(QByteArrayView Bytes);
    QByteArray TakeOutput();
    // Input bytes consumed so far by Expand (counting a partly used byte).
    std::int64_t Consumed() const { return FConsumed; }

    // Whole-buffer forms of the same code, each with a fresh tree.
    static QByteArray CompressBytes(QByteArrayView Plain);
    // Expands Count bytes from Coded; throws EQRError when Coded runs out first.
    static QByteArray ExpandBytes(QByteArrayView Coded, std::int64_t Count);

private:
    void InitTree();
    void Splay(std::uint8_t Plain);
    void PutByte(std::uint8_t Value);
    std::uint8_t GetByte();
    void FlushOutput();

    std::uint8_t BitPos = 0;
    bool CompressFlag = false;
    std::uint16_t InByte = 0;
    std::uint16_t Left[256];
    std::uint16_t Right[256];
    std::uint16_t OutByte = 0;
    TQRStream *Stream = nullptr;
    std::uint8_t Up[513];

    // The store is written and read through a buffer rather than byte by byte: the same
    // bytes, without a locked call per byte.
    std::vector<std::uint8_t> FBuffer;
    std::size_t FBufferPos = 0;
    const std::uint8_t *FInput = nullptr;
    const std::uint8_t *FInputEnd = nullptr;
    std::int64_t FConsumed = 0;
    bool FClosed = false;
};

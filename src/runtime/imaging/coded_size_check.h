// Whether the pictures coded in a HEIF or AVIF file are as large as its items declare.
//
// A decoder library sizes its frames by the bitstream's own parameter sets, never by the
// spatial extent the container declares, while a batch reserves memory by the declared
// size: a file declaring 64 x 64 and coding 8192 x 8192 would take 4,000 times its share
// before the library noticed anything. So every coded size is read first, from the
// parameter sets of each item's configuration and of its data, and compared.
#pragma once

namespace tesselon {

class ByteReader;

enum class CodedSizeVerdict {
    Fits,        // every coded picture lies within the extent its item declares
    Exceeds,     // an item codes a larger picture (or a grid, an overlay a larger canvas)
    Unreadable,  // the items, their properties or their data cannot be read for the check
};

// HEVC and AV1 items: each sequence parameter set (or sequence header) of the item's
// configuration and of its data, against the item's spatial extent rounded up to whole
// blocks of 64 (the largest coding block, by which a coded picture may exceed the picture
// it shows). Grid and overlay items: their canvas against their extent. Sizes fit either
// way round. An item that codes pictures without declaring an extent is unreadable.
CodedSizeVerdict checkCodedSizes(ByteReader& reader);

}  // namespace tesselon

// Why an image of the list has no result, or cannot be shown: the values the front ends
// turn into their own words.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tesselon {

enum class ImageFailure {
    None,
    Missing,             // the file is not there (any more)
    NotDownloaded,       // an FTP source's image that is not in the download folder
    NotRegularFile,      // a folder, FIFO, socket or device
    TooLarge,            // larger than the program reads
    Unreadable,          // no permission, an I/O error
    NotAnImage,          // no format the program reads starts like this file
    EmptyFile,           // the file holds no bytes at all
    Damaged,             // its header reads as an image, its data does not decode: cut short or damaged
    CodedBeyondDeclared, // its data codes a larger picture than its header declares
    OverMemoryLimit,     // converting it would take more memory than the limit
    ProcessingFailed,    // an operation lost the image
    AnimatedOverItself,  // an animated GIF is copied, never converted over itself
    NotWritten,          // the result could not be written
    WouldReplaceOther,   // the result would have replaced another file
    ResultNameTaken,     // another image of the list keeps the result's name
};

struct FailedImage {
    std::string name;  // as the user knows it: relative to the source folder, or the remote path
    ImageFailure why = ImageFailure::None;
    // ResultNameTaken: the image whose result keeps the name, as the user knows it.
    std::string nameKeptBy;
};

// Why a batch ended before its last image: an exception no image step could answer.
enum class BatchStop {
    None,
    OutOfMemory,    // the system gave no more memory
    InternalError,  // a fault of the program itself
};

// How a batch that ran to its end, or was stopped by an exception, went.
struct BatchEnd {
    size_t total = 0;      // entries in the list
    size_t converted = 0;  // entries with a result of their own
    std::vector<FailedImage> failed;  // the others, in list order
    BatchStop stop = BatchStop::None;
};

}  // namespace tesselon

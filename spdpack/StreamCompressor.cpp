#include "spdpack/StreamCompressor.h"

#include "spdpack/SourceFile.h"

#include "codec/Checksum.h"
#include "codec/PieceCompression.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace spdpack {

namespace {

// A piece on its way: read by the calling thread, compressed by a worker.
// Its buffers are kept and used again for later pieces.
struct Job {
    std::size_t stream = 0;
    std::uint64_t streamSize = 0;
    const std::string* where = nullptr;
    bool first = false;
    bool last = false;
    std::vector<std::uint8_t> dictionary;
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;
    std::uint32_t inputAdler = 1;
    std::uint32_t outputAdler = 1;
    spd::Status status = spd::Status::Ok;
    bool done = false;
};

class Workers {
public:
    Workers(unsigned count, int level) : level_(level) {
        for (unsigned i = 0; i < count; ++i) threads_.emplace_back([this] { Run(); });
    }

    ~Workers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    void Submit(Job& job) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job.done = false;
            queue_.push_back(&job);
        }
        work_.notify_one();
    }

    void WaitFor(const Job& job) {
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [&] { return job.done; });
    }

private:
    void Run() {
        spd::PieceCompressor compressor;
        for (;;) {
            Job* job = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                work_.wait(lock, [&] { return stop_ || !queue_.empty(); });
                if (stop_) return;
                job = queue_.front();
                queue_.pop_front();
            }
            job->status = compressor.Compress(job->dictionary, job->input, level_, job->first, job->last, job->output);
            job->inputAdler = spd::Adler32(job->input);
            job->outputAdler = spd::Adler32(job->output);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                job->done = true;
            }
            finished_.notify_all();
        }
    }

    int level_;
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable finished_;
    std::deque<Job*> queue_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

// Hands finished pieces to the sink in order, adding up each stream's
// Adler-32 and length and ending it with its trailer.
class Delivery {
public:
    Delivery(StreamSink& sink, const StreamProgress& progress) : sink_(sink), progress_(progress) {}

    void Deliver(Job& job) {
        if (job.status != spd::Status::Ok)
            throw std::runtime_error(*job.where + ": cannot be compressed: " + spd::StatusText(job.status));
        streamAdler_ = job.first ? job.inputAdler : spd::Adler32Combine(streamAdler_, job.inputAdler, job.input.size());
        stored_ = job.first ? 0 : stored_;
        if (job.last && !job.first) {
            // A single piece is a whole stream already; pieces get the trailer here.
            const auto trailer = spd::StreamTrailer(streamAdler_);
            job.output.insert(job.output.end(), trailer.begin(), trailer.end());
            job.outputAdler = spd::Adler32Update(job.outputAdler, trailer);
        }
        stored_ += job.output.size();
        CompressedPiece piece;
        piece.stream = job.stream;
        piece.streamSize = job.streamSize;
        piece.first = job.first;
        piece.last = job.last;
        piece.bytes = job.output;
        piece.bytesAdler = job.outputAdler;
        piece.streamAdler = streamAdler_;
        piece.storedSize = stored_;
        sink_.Piece(piece);
        done_ += job.input.size();
        if (progress_) progress_(done_);
    }

private:
    StreamSink& sink_;
    const StreamProgress& progress_;
    std::uint32_t streamAdler_ = 1;
    std::uint64_t stored_ = 0;
    std::uint64_t done_ = 0;
};

}  // namespace

void CompressStreams(const std::vector<StreamSource>& sources, int level, unsigned threads, StreamSink& sink,
                     const StreamProgress& progress) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t limit = 2 * static_cast<std::size_t>(threads);

    // Declared before the workers, so that the workers have stopped before
    // the jobs go.
    std::deque<std::unique_ptr<Job>> onTheirWay;
    std::vector<std::unique_ptr<Job>> spare;
    std::vector<std::uint8_t> tail;  // the last 32 KiB read: the next piece's dictionary
    Delivery delivery(sink, progress);
    Workers workers(threads, level);

    auto deliverOldest = [&] {
        Job& job = *onTheirWay.front();
        workers.WaitFor(job);
        delivery.Deliver(job);
        spare.push_back(std::move(onTheirWay.front()));
        onTheirWay.pop_front();
    };

    for (std::size_t s = 0; s < sources.size(); ++s) {
        SourceReader reader(sources[s].path, sources[s].where, sources[s].limited);
        sink.Opened(s, reader.size());
        const std::uint64_t count = spd::PieceCount(reader.size());
        std::uint64_t left = reader.size();
        for (std::uint64_t k = 0; k < count; ++k) {
            if (onTheirWay.size() >= limit) deliverOldest();
            std::unique_ptr<Job> job;
            if (spare.empty()) {
                job = std::make_unique<Job>();
            } else {
                job = std::move(spare.back());
                spare.pop_back();
            }
            job->stream = s;
            job->streamSize = reader.size();
            job->where = &sources[s].where;
            job->first = k == 0;
            job->last = k + 1 == count;
            job->dictionary.assign(tail.begin(), tail.end());
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, spd::kPieceSize));
            job->input.resize(n);
            reader.Read(job->input.data(), n);
            left -= n;
            const std::size_t keep = std::min(n, spd::kPieceDictionarySize);
            tail.assign(job->input.end() - static_cast<std::ptrdiff_t>(keep), job->input.end());
            workers.Submit(*job);
            onTheirWay.push_back(std::move(job));
        }
        reader.Finish();
        tail.clear();
    }
    while (!onTheirWay.empty()) deliverOldest();
}

}  // namespace spdpack

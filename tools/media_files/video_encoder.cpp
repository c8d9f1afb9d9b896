// The video file's two encoders, the muxer that interleaves them, and the worker thread that feeds
// them from the picture slots the renderer fills.
#include "tools/media_files/video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/progress_bar/progress_bar.h"

constexpr int32_t SAMPLE_RATE = 44100;
constexpr int64_t AUDIO_BIT_RATE = 192000;
// An x264 preset whose pictures at a given CRF are as close to the source as those of the default
// preset ("medium"), for a third of its work and a larger file; faster presets lose quality
// ("veryfast") or double the size ("ultrafast"). bench/video.sh measures them side by side.
constexpr const char* X264_PRESET = "superfast";
// Enough slots that a slow picture on either side does not stall the other.
constexpr int32_t SLOT_COUNT = 4;

struct PictureSlot {
    std::vector<uint8_t> rgb;
    bool repeat;
};

static VideoFormat format;
static AVFormatContext* muxer;
static AVCodecContext* video_codec;
static AVCodecContext* audio_codec;
static AVStream* video_stream;
static AVStream* audio_stream;
static SwsContext* scaler;
static SwrContext* resampler;
static AVFrame* picture;  // the last picture converted, sent again for a repeat
static AVFrame* sound;    // one encoder frame of the soundtrack
static AVPacket* packet;
static int64_t pictures_sent;
static int64_t sound_sent;  // soundtrack frames handed to the encoder

// The slots form a ring: the renderer fills at slot_head, the worker encodes at slot_tail.
static PictureSlot slots[SLOT_COUNT];
static int32_t slot_head;
static int32_t slot_tail;
static int32_t slots_filled;
static bool closing;     // no more pictures: the worker finishes the file
static bool abandoning;  // the worker stops at once
static bool failed;
static std::string failure;
static std::mutex queue_lock;
static std::condition_variable queue_changed;
static std::thread worker;
static double render_wait_s;
static double encode_busy_s;
static std::string open_failure;

static std::string av_text(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

static void release_all() {
    avcodec_free_context(&video_codec);
    avcodec_free_context(&audio_codec);
    sws_freeContext(scaler);
    scaler = nullptr;
    swr_free(&resampler);
    av_frame_free(&picture);
    av_frame_free(&sound);
    av_packet_free(&packet);
    if (muxer) avio_closep(&muxer->pb);
    avformat_free_context(muxer);
    muxer = nullptr;
    for (PictureSlot& slot : slots) slot.rgb = std::vector<uint8_t>();
}

// ---- Opening ------------------------------------------------------------------------------------

static const char* open_video_stream() {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) return "FFmpeg offers no libx264 encoder";
    video_codec = avcodec_alloc_context3(codec);
    video_stream = avformat_new_stream(muxer, nullptr);
    if (!video_codec || !video_stream) return "out of memory";
    video_codec->width = format.width;
    video_codec->height = format.height;
    video_codec->pix_fmt = AV_PIX_FMT_YUV420P;
    video_codec->time_base = AVRational{1, format.fps};
    video_codec->framerate = AVRational{format.fps, 1};
    // The pictures are sRGB on a computer screen: BT.709 colours in the video range, said so in
    // the stream, so that players turn them back into the same RGB.
    video_codec->color_primaries = AVCOL_PRI_BT709;
    video_codec->color_trc = AVCOL_TRC_BT709;
    video_codec->colorspace = AVCOL_SPC_BT709;
    video_codec->color_range = AVCOL_RANGE_MPEG;
    if (muxer->oformat->flags & AVFMT_GLOBALHEADER)
        video_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(video_codec->priv_data, "preset", X264_PRESET, 0);
    av_opt_set_double(video_codec->priv_data, "crf", format.crf, 0);
    if (avcodec_open2(video_codec, codec, nullptr) < 0) return "the H.264 encoder does not open";
    video_stream->time_base = video_codec->time_base;
    video_stream->avg_frame_rate = video_codec->framerate;
    if (avcodec_parameters_from_context(video_stream->codecpar, video_codec) < 0)
        return "out of memory";
    scaler =
        sws_getContext(format.width, format.height, AV_PIX_FMT_RGB24, format.width, format.height,
                       AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler) return "no conversion from RGB to yuv420p";
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(scaler, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    picture = av_frame_alloc();
    if (!picture) return "out of memory";
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = format.width;
    picture->height = format.height;
    if (av_frame_get_buffer(picture, 0) < 0) return "out of memory";
    return nullptr;
}

static const char* open_audio_stream() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec) return "FFmpeg offers no AAC encoder";
    audio_codec = avcodec_alloc_context3(codec);
    audio_stream = avformat_new_stream(muxer, nullptr);
    if (!audio_codec || !audio_stream) return "out of memory";
    AVChannelLayout stereo;
    av_channel_layout_default(&stereo, 2);
    av_channel_layout_copy(&audio_codec->ch_layout, &stereo);
    audio_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio_codec->sample_rate = SAMPLE_RATE;
    audio_codec->bit_rate = AUDIO_BIT_RATE;
    audio_codec->time_base = AVRational{1, SAMPLE_RATE};
    if (muxer->oformat->flags & AVFMT_GLOBALHEADER)
        audio_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(audio_codec, codec, nullptr) < 0) return "the AAC encoder does not open";
    audio_stream->time_base = audio_codec->time_base;
    if (avcodec_parameters_from_context(audio_stream->codecpar, audio_codec) < 0)
        return "out of memory";
    if (swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_FLTP, SAMPLE_RATE, &stereo,
                            AV_SAMPLE_FMT_S16, SAMPLE_RATE, 0, nullptr) < 0 ||
        swr_init(resampler) < 0)
        return "no conversion of the soundtrack to the encoder's samples";
    sound = av_frame_alloc();
    if (!sound) return "out of memory";
    sound->format = AV_SAMPLE_FMT_FLTP;
    sound->nb_samples = audio_codec->frame_size;
    sound->sample_rate = SAMPLE_RATE;
    av_channel_layout_copy(&sound->ch_layout, &stereo);
    if (av_frame_get_buffer(sound, 0) < 0) return "out of memory";
    return nullptr;
}

static void work();

static const char* open_file() {
    // Failures are reported by the caller, in one line of its own.
    av_log_set_level(AV_LOG_QUIET);
    if (avformat_alloc_output_context2(&muxer, nullptr, "mp4", format.path) < 0)
        return "FFmpeg offers no MP4 muxer";
    if (const char* why = open_video_stream()) return why;
    if (const char* why = open_audio_stream()) return why;
    packet = av_packet_alloc();
    if (!packet) return "out of memory";
    int result = avio_open(&muxer->pb, format.path, AVIO_FLAG_WRITE);
    if (result < 0) return (open_failure = av_text(result)).c_str();
    // The index goes to the front once the file is done, so that players start before it is all
    // downloaded.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    result = avformat_write_header(muxer, &options);
    av_dict_free(&options);
    if (result < 0) return (open_failure = "the MP4 header: " + av_text(result)).c_str();
    return nullptr;
}

bool video_open(const VideoFormat& video) {
    format = video;
    pictures_sent = sound_sent = 0;
    slot_head = slot_tail = slots_filled = 0;
    closing = abandoning = failed = false;
    failure.clear();
    render_wait_s = encode_busy_s = 0.0;
    if (const char* why = open_file()) {
        release_all();
        failure = why;
        return false;
    }
    for (PictureSlot& slot : slots)
        slot.rgb.resize(static_cast<size_t>(format.width) * format.height * 3);
    worker = std::thread(work);
    return true;
}

// ---- Encoding, on the worker
// ------------------------------------------------------------------------

// Hands one frame (null: the end of the stream) to an encoder and writes every packet it gives
// back; the muxer interleaves the two streams by time. False when either step fails.
static bool encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    int result = avcodec_send_frame(codec, frame);
    while (result >= 0) {
        result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) break;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(muxer, packet);
    }
    failure = "encoding failed: " + av_text(result);
    return false;
}

// Encodes the soundtrack up to frame `end` (at most its last), in the encoder's frame size; the
// last piece of the soundtrack may be shorter.
static bool encode_sound_until(int64_t end) {
    if (end > format.pcm_frames) end = format.pcm_frames;
    int64_t size = audio_codec->frame_size;
    while (sound_sent < end && (end - sound_sent >= size || end == format.pcm_frames)) {
        int32_t count = static_cast<int32_t>(end - sound_sent < size ? end - sound_sent : size);
        const uint8_t* source = reinterpret_cast<const uint8_t*>(format.pcm + 2 * sound_sent);
        if (av_frame_make_writable(sound) < 0 ||
            swr_convert(resampler, sound->data, count, &source, count) != count) {
            failure = "converting the soundtrack failed";
            return false;
        }
        sound->nb_samples = count;
        sound->pts = sound_sent;
        if (!encode(audio_codec, audio_stream, sound)) return false;
        sound_sent += count;
    }
    return true;
}

static bool encode_picture(const PictureSlot& slot) {
    if (!slot.repeat) {
        if (av_frame_make_writable(picture) < 0) {
            failure = "out of memory";
            return false;
        }
        // GL's rows come bottom first: the scaler reads them from the last row up.
        int32_t row_bytes = format.width * 3;
        const uint8_t* top = slot.rgb.data() + static_cast<size_t>(format.height - 1) * row_bytes;
        int32_t stride = -row_bytes;
        sws_scale(scaler, &top, &stride, 0, format.height, picture->data, picture->linesize);
    }
    picture->pts = pictures_sent++;
    // The sound reaches the end of this picture's time, so that the streams stay side by side.
    return encode_sound_until(pictures_sent * SAMPLE_RATE / format.fps) &&
           encode(video_codec, video_stream, picture);
}

static bool finish_file() {
    if (!encode_sound_until(format.pcm_frames) || !encode(audio_codec, audio_stream, nullptr) ||
        !encode(video_codec, video_stream, nullptr))
        return false;
    int result = av_write_trailer(muxer);
    if (result >= 0) result = avio_closep(&muxer->pb);
    if (result >= 0) return true;
    failure = "finishing the MP4 file failed: " + av_text(result);
    return false;
}

static void work() {
    std::unique_lock<std::mutex> lock(queue_lock);
    for (;;) {
        queue_changed.wait(lock, [] { return slots_filled > 0 || closing || abandoning; });
        if (abandoning || failed) return;
        if (slots_filled == 0) break;
        lock.unlock();
        auto start = std::chrono::steady_clock::now();
        bool encoded = encode_picture(slots[slot_tail]);
        double busy = seconds_since(start);
        lock.lock();
        encode_busy_s += busy;
        if (!encoded) {
            failed = true;
            queue_changed.notify_all();
            return;
        }
        slot_tail = (slot_tail + 1) % SLOT_COUNT;
        --slots_filled;
        queue_changed.notify_all();
    }
    lock.unlock();
    auto start = std::chrono::steady_clock::now();
    bool finished = finish_file();
    lock.lock();
    encode_busy_s += seconds_since(start);
    failed = !finished;
}

// ---- The rendering side
// ----------------------------------------------------------------------------

uint8_t* video_picture_slot() {
    std::unique_lock<std::mutex> lock(queue_lock);
    auto start = std::chrono::steady_clock::now();
    queue_changed.wait(lock, [] { return slots_filled < SLOT_COUNT || failed; });
    render_wait_s += seconds_since(start);
    return failed ? nullptr : slots[slot_head].rgb.data();
}

void video_picture_send(bool repeat) {
    std::lock_guard<std::mutex> lock(queue_lock);
    slots[slot_head].repeat = repeat;
    slot_head = (slot_head + 1) % SLOT_COUNT;
    ++slots_filled;
    queue_changed.notify_all();
}

static void stop_worker(bool abandon) {
    {
        std::lock_guard<std::mutex> lock(queue_lock);
        closing = true;
        abandoning = abandon;
        queue_changed.notify_all();
    }
    if (worker.joinable()) worker.join();
}

bool video_finish() {
    stop_worker(false);
    bool finished = !failed;
    release_all();
    return finished;
}

const char* video_error() { return failure.c_str(); }

void video_abandon() {
    stop_worker(true);
    release_all();
}

VideoPace video_pace() {
    std::lock_guard<std::mutex> lock(queue_lock);
    return {render_wait_s, encode_busy_s};
}

// JPEG through libjpeg (libjpeg-turbo here): baseline, progressive, arithmetic, greyscale,
// CMYK and YCCK, restart markers. The one file that knows libjpeg.
//
// libjpeg reports errors by calling a function that must not return, so ours longjmps. The
// functions that call setjmp hold nothing with a destructor, and everything C++ (the picture,
// the row buffer, destroying the decompressor) lives in the caller, above the jump.
#include "gfxutil/codecs/image_decode.h"
#include "gfxutil/codecs/image_precheck.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace codecs {

using namespace texels;

namespace {

// Real progressive files have a dozen scans; thousands only make a small file slow.
constexpr int kMaxScans = 1000;
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

struct JpegJob {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    jpeg_source_mgr src;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    bool created;
};

JpegJob* JobOf(j_common_ptr c) { return static_cast<JpegJob*>(c->client_data); }

void ErrorExit(j_common_ptr c) { std::longjmp(JobOf(c)->jump, 1); }
void Silent(j_common_ptr) {}  // warnings (extraneous bytes and the like) are not failures

void CountScans(j_common_ptr c)
{
    if (reinterpret_cast<j_decompress_ptr>(c)->input_scan_number > kMaxScans) ErrorExit(c);
}

// The whole file is in memory from the start. The precheck saw its end-of-image marker, so
// running out can only mean a lying length: end the stream there.
void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}
boolean FillInput(j_decompress_ptr d)
{
    d->src->next_input_byte = kEndOfImage;
    d->src->bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}
void SkipInput(j_decompress_ptr d, long count)
{
    if (count <= 0) return;
    if (size_t(count) > d->src->bytes_in_buffer) {
        FillInput(d);
        return;
    }
    d->src->next_input_byte += count;
    d->src->bytes_in_buffer -= size_t(count);
}

bool ReadHeader(JpegJob* job, ByteView file)
{
    if (setjmp(job->jump)) return false;
    jpeg_create_decompress(&job->cinfo);  // keeps err and client_data
    job->created = true;
    job->cinfo.progress = &job->progress;
    job->src.init_source = InitSource;
    job->src.fill_input_buffer = FillInput;
    job->src.skip_input_data = SkipInput;
    job->src.resync_to_restart = jpeg_resync_to_restart;
    job->src.term_source = TermSource;
    job->src.next_input_byte = file.data;
    job->src.bytes_in_buffer = file.size;
    job->cinfo.src = &job->src;
    if (jpeg_read_header(&job->cinfo, TRUE) != JPEG_HEADER_OK) return false;
    switch (job->cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE: job->cinfo.out_color_space = JCS_GRAYSCALE; break;
        case JCS_CMYK:
        case JCS_YCCK: job->cinfo.out_color_space = JCS_CMYK; break;
        default: job->cinfo.out_color_space = JCS_RGB; break;
    }
    return true;
}

uint32_t Scale(uint32_t a, uint32_t b) { return (a * b + 127) / 255; }

// One decoded row into ARGB. Adobe's CMYK files store the inks inverted (255 is no ink).
void ConvertRow(const j_decompress_ptr d, const JSAMPLE* row, uint32_t* out)
{
    const JDIMENSION width = d->output_width;
    switch (d->out_color_space) {
        case JCS_GRAYSCALE:
            for (JDIMENSION x = 0; x < width; ++x) out[x] = PackArgb(255, row[x], row[x], row[x]);
            break;
        case JCS_CMYK:
            for (JDIMENSION x = 0; x < width; ++x, row += 4) {
                uint32_t c = row[0], m = row[1], y = row[2], k = row[3];
                if (!d->saw_Adobe_marker) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
                out[x] = PackArgb(255, Scale(c, k), Scale(m, k), Scale(y, k));
            }
            break;
        default:
            for (JDIMENSION x = 0; x < width; ++x, row += 3)
                out[x] = PackArgb(255, row[0], row[1], row[2]);
            break;
    }
}

bool Decompress(JpegJob* job, JSAMPLE* row, uint32_t* pixels)
{
    if (setjmp(job->jump)) return false;
    j_decompress_ptr d = &job->cinfo;
    jpeg_start_decompress(d);
    // Our buffers were sized from the header; nothing scales, but never write past them.
    if (d->output_width != d->image_width || d->output_height != d->image_height ||
        d->output_components > 4)
        return false;
    while (d->output_scanline < d->output_height) {
        JSAMPROW rows[1] = {row};
        const JDIMENSION y = d->output_scanline;
        if (jpeg_read_scanlines(d, rows, 1) != 1) return false;
        ConvertRow(d, row, pixels + size_t(y) * d->output_width);
    }
    jpeg_finish_decompress(d);
    return true;
}

struct JobDeleter {
    void operator()(JpegJob* job) const
    {
        if (job->created) jpeg_destroy_decompress(&job->cinfo);
        delete job;
    }
};

}  // namespace

HRESULT DecodeJpeg(ByteView file, DecodedImage* out)
{
    if (!PassesPrecheck(D3DXIFF_JPG, file)) return D3DXERR_INVALIDDATA;
    std::unique_ptr<JpegJob, JobDeleter> job(new JpegJob{});
    job->cinfo.err = jpeg_std_error(&job->err);
    job->err.error_exit = ErrorExit;
    job->err.output_message = Silent;
    job->cinfo.client_data = job.get();
    job->progress.progress_monitor = CountScans;
    if (!ReadHeader(job.get(), file)) return D3DXERR_INVALIDDATA;

    jpeg_decompress_struct& d = job->cinfo;
    const uint64_t w = d.image_width, h = d.image_height;
    if (!PictureSizeAllowed(D3DXIFF_JPG, w, h, file.size)) return D3DXERR_INVALIDDATA;
    // A progressive file keeps every coefficient of every component (two bytes per sample)
    // until its last scan; nothing else libjpeg holds comes near that.
    const uint64_t budget = w * h * uint64_t(d.num_components) * 5 / 2 + (16 << 20);
    d.mem->max_memory_to_use = long(std::min<uint64_t>(budget, LONG_MAX));

    DecodedImage img;
    img.argb = ArgbImage(UINT(w), UINT(h));
    std::vector<JSAMPLE> row(size_t(w) * 4);
    if (!Decompress(job.get(), row.data(), img.argb.pixels.data())) return D3DXERR_INVALIDDATA;
    img.fileKind = D3DXIFF_JPG;
    // As D3DX reports them: 24-bit colour (CMYK files included, once they are colour) or grey.
    img.fileFormat = d.out_color_space == JCS_GRAYSCALE ? D3DFMT_L8 : D3DFMT_R8G8B8;
    *out = std::move(img);
    return S_OK;
}

}  // namespace codecs

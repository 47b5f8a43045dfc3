#include "video/H264Encoder.h"

#include <cstdio>
#include <cstring>

#include "video/PictureConverter.h"
#include "tessel/TS_Common.h"

CH264Encoder::CH264Encoder() = default;

CH264Encoder::~CH264Encoder() {
    Term();
}

void CH264Encoder::LogCallback(void*, int level, const char* format, va_list args) {
    const char* prefix = "[H264 UNKNOWN]";
    switch (level) {
        case X264_LOG_ERROR:
            prefix = "[H264 ERROR]";
            break;
        case X264_LOG_WARNING:
            prefix = "[H264 WARNING]";
            break;
        case X264_LOG_INFO:
            prefix = "[H264 INFO]";
            break;
        case X264_LOG_DEBUG:
            prefix = "[H264 DEBUG]";
            break;
        default:
            break;
    }
    char text[1024];
    vsnprintf(text, sizeof text, format, args);
    DTrace(TS_LOG_DEBUG, "%s %s", prefix, text);
}

bool CH264Encoder::Init(int width, int height, int bitRate, int fps, int) {
    Term();
    m_iWidth = width;
    m_iHeight = height;
    m_iBitRate = bitRate;
    m_iFps = fps;
    // 4:2:0 input needs even sizes; x264 would refuse them too, but leaks its
    // parameter copy when its open fails.
    bool ok = width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0 && bitRate > 0 && fps > 0;
    if (ok) ok = x264_picture_alloc(&m_picture, X264_CSP_I420, width, height) == 0;
    m_bPictureAllocated = ok;
    if (ok) ok = FillParam(m_param, width, height, bitRate, fps);
    if (ok) {
        m_param.pf_log = LogCallback;
        m_param.p_log_private = this;
        m_pEncoder = x264_encoder_open(&m_param);
        ok = m_pEncoder != nullptr;
    }
    if (!ok) {
        Term();
        DTrace(TS_LOG_DEBUG, "H.264 encoder open error.\n");
    }
    return ok;
}

bool CH264Encoder::FillParam(x264_param_t& p, int width, int height, int bitRate, int fps) {
    if (x264_param_default_preset(&p, "ultrafast", "zerolatency") != 0) return false;
    if (x264_param_apply_profile(&p, "baseline") != 0) return false;
    p.i_log_level = X264_LOG_ERROR;
    p.i_threads = 1;
    p.i_width = width;
    p.i_height = height;
    p.vui.i_sar_width = 0;
    p.vui.i_sar_height = 0;
    p.i_fps_num = fps;
    p.i_fps_den = 1;
    p.i_frame_reference = 1;
    p.i_keyint_max = 250;
    p.i_keyint_min = 25;
    p.i_scenecut_threshold = 0;
    p.i_bframe = 0;
    p.i_bframe_bias = 0;
    p.i_bframe_pyramid = 0;
    p.b_deblocking_filter = 1;
    p.i_deblocking_filter_alphac0 = 0;
    p.i_deblocking_filter_beta = 0;
    p.b_cabac = 0;
    p.b_aud = 0;
    p.analyse.inter = 0;
    p.analyse.b_transform_8x8 = 0;
    p.analyse.b_weighted_bipred = 0;
    p.analyse.i_direct_mv_pred = X264_DIRECT_PRED_TEMPORAL;
    p.analyse.i_chroma_qp_offset = 0;
    p.analyse.i_me_method = X264_ME_DIA;
    p.analyse.i_me_range = 0;
    p.analyse.i_subpel_refine = 1;
    p.analyse.b_chroma_me = 0;
    p.analyse.b_mixed_references = 0;
    p.analyse.i_trellis = 0;
    p.analyse.b_fast_pskip = 1;
    p.analyse.i_noise_reduction = 0;
    p.analyse.b_psnr = 0;
    p.rc.i_rc_method = X264_RC_ABR;
    p.rc.i_bitrate = bitRate / 1000;
    p.rc.i_qp_constant = 31;
    p.rc.i_qp_min = 3;
    p.rc.i_qp_max = 32;
    p.rc.i_qp_step = 3;
    p.rc.f_rate_tolerance = 4000000.0f / static_cast<float>(bitRate);
    p.rc.i_vbv_max_bitrate = 0;
    p.rc.i_vbv_buffer_size = 0;
    p.rc.f_vbv_buffer_init = 0.9f;
    p.rc.f_ip_factor = 1.25f;
    p.rc.f_pb_factor = 1.25f;
    p.rc.f_qcompress = 0.4f;
    p.rc.f_qblur = 0.5f;
    p.rc.f_complexity_blur = 20.0f;
    return true;
}

int CH264Encoder::Encode(const uint8_t* pixels, int width, int height, int srcWidth, int srcHeight,
                         int bitRate, int fps, int pixelFormat, bool forceKeyFrame, int flip) {
    if (!m_pEncoder || width != m_iWidth || height != m_iHeight || bitRate != m_iBitRate || fps != m_iFps) {
        if (!Init(width, height, bitRate, fps, 30)) return -1;
    }
    m_picture.img.i_csp = X264_CSP_I420;
    if (!CPictureConverter::ConvertRGBToYUV420Resize(m_picture.img.plane[0], m_picture.img.plane[1],
                                                     m_picture.img.plane[2], width, height, pixels, srcWidth,
                                                     srcHeight, pixelFormat, flip))
        return -1;
    m_picture.i_pts = m_iPts++;
    m_picture.i_type = forceKeyFrame ? X264_TYPE_IDR : X264_TYPE_AUTO;

    x264_picture_t out;
    m_pNals = nullptr;
    m_iNals = 0;
    if (x264_encoder_encode(m_pEncoder, &m_pNals, &m_iNals, &m_picture, &out) < 0) {
        m_pNals = nullptr;
        m_iNals = 0;
        return -1;
    }
    m_bKeyFrame = out.b_keyframe != 0;
    return m_iNals > 0 ? GetEncodeSize() : 0;
}

void CH264Encoder::GetEncodeBuffer(uint8_t* out) const {
    for (int i = 0; i < m_iNals; ++i) {
        memcpy(out, m_pNals[i].p_payload, m_pNals[i].i_payload);
        out += m_pNals[i].i_payload;
    }
}

int CH264Encoder::GetEncodeSize() const {
    int size = 0;
    for (int i = 0; i < m_iNals; ++i) size += m_pNals[i].i_payload;
    return size;
}

void CH264Encoder::Term() {
    if (m_pEncoder) x264_encoder_close(m_pEncoder);
    m_pEncoder = nullptr;
    if (m_bPictureAllocated) x264_picture_clean(&m_picture);
    m_bPictureAllocated = false;
    m_picture = x264_picture_t{};
    m_param = x264_param_t{};
    m_pNals = nullptr;
    m_iNals = 0;
    m_iWidth = m_iHeight = m_iFps = m_iBitRate = 0;
    m_iPts = 0;
    m_bKeyFrame = false;
}

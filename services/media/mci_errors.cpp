#include "services/media/mci_errors.h"

namespace services {

std::string MciErrorText(uint32_t code) {
  switch (code) {
    case 0:
      return "エラーはありません。";
    case MCIERR_INVALID_DEVICE_ID:
      return "このデバイスは開かれていません。";
    case MCIERR_UNRECOGNIZED_COMMAND:
      return "このデバイスはそのコマンドを知りません。";
    case MCIERR_HARDWARE:
      return "メディア装置に問題が起きました。";
    case MCIERR_INVALID_DEVICE_NAME:
      return "その種類のメディアデバイスはありません。";
    case MCIERR_OUT_OF_MEMORY:
      return "メモリが足りません。";
    case MCIERR_UNSUPPORTED_FUNCTION:
      return "このデバイスはその操作に対応していません。";
    case MCIERR_FILE_NOT_FOUND:
      return "ファイルが見つかりません。";
    case MCIERR_DEVICE_NOT_READY:
      return "メディア装置が応答しません。";
    case MCIERR_OUTOFRANGE:
      return "指定した位置がファイルの範囲外です。";
    case MCIERR_FLAGS_NOT_COMPATIBLE:
      return "同時に指定できないフラグが指定されました。";
    case MCIERR_INVALID_FILE:
      return "このファイルの形式には対応していないか、ファイルが壊れています。";
    case MCIERR_NULL_PARAMETER_BLOCK:
      return "コマンドのパラメータがありません。";
    case MCIERR_FILENAME_REQUIRED:
      return "ファイル名が指定されていません。";
    case MCIERR_DEVICE_NOT_INSTALLED:
      return "メディアデバイスが用意されていません。";
    case MCIERR_WAVE_OUTPUTSINUSE:
      return "音声出力装置は使用中です。";
    case MCIERR_WAVE_OUTPUTSUNSUITABLE:
      return "音声を出力できる装置がありません。";
    case MCIERR_NO_WINDOW:
      return "表示先のウィンドウがありません。";
    case MCIERR_FILE_READ:
      return "ファイルを読み込めません。";
    case MCIERR_PATH_TOO_LONG:
      return "ファイルのパスが長すぎます。";
    case MCIERR_NO_VIDEO_STREAM:
      return "このファイルには映像がありません。";
    case MCIERR_UNSUPPORTED_CODEC:
      return "このファイルの圧縮形式には対応していません。";
    default:
      return "不明なメディアエラーです (" + std::to_string(code) + ")。";
  }
}

std::string MciErrorReason(uint32_t code) {
  switch (code) {
    case MCIERR_INVALID_DEVICE_ID:
      return "the device is not open";
    case MCIERR_UNRECOGNIZED_COMMAND:
      return "the device does not know the command";
    case MCIERR_HARDWARE:
      return "the media output failed";
    case MCIERR_INVALID_DEVICE_NAME:
      return "no media device of that type";
    case MCIERR_OUT_OF_MEMORY:
      return "not enough memory";
    case MCIERR_UNSUPPORTED_FUNCTION:
      return "the device does not do that";
    case MCIERR_FILE_NOT_FOUND:
      return "no such file";
    case MCIERR_DEVICE_NOT_READY:
      return "the device does not answer";
    case MCIERR_OUTOFRANGE:
      return "position outside the file";
    case MCIERR_FLAGS_NOT_COMPATIBLE:
      return "flags that exclude each other";
    case MCIERR_INVALID_FILE:
      return "not a file of a kind this device plays, or damaged";
    case MCIERR_NULL_PARAMETER_BLOCK:
      return "no parameters given";
    case MCIERR_FILENAME_REQUIRED:
      return "no file named";
    case MCIERR_DEVICE_NOT_INSTALLED:
      return "no media devices";
    case MCIERR_WAVE_OUTPUTSINUSE:
      return "the sound output is in use";
    case MCIERR_WAVE_OUTPUTSUNSUITABLE:
      return "no sound output could be opened (see SDL_AUDIODRIVER)";
    case MCIERR_NO_WINDOW:
      return "no window to show the video in";
    case MCIERR_FILE_READ:
      return "the file cannot be read";
    case MCIERR_PATH_TOO_LONG:
      return "the path is too long";
    case MCIERR_NO_VIDEO_STREAM:
      return "the file has no video";
    case MCIERR_UNSUPPORTED_CODEC:
      return "the file is coded in a way that cannot be decoded";
    default:
      return "media error " + std::to_string(code);
  }
}

}  // namespace services

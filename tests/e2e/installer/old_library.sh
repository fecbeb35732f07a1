#!/usr/bin/env bash
# A library that is too old or in use: the exact question and message texts,
# then "Version Error"; OK on the questions goes on.
source "$ZELK_SOURCE_DIR/tests/e2e/common/lib.sh"
source "$ZELK_SOURCE_DIR/tests/e2e/installer/installer_lib.sh"
unset DISPLAY WAYLAND_DISPLAY
use_fake_library
settings "TitleName=T" "ToDefDirName=Game"
archive small.lzh
old_arch='T|あなたがお使いのQ_ARCH32.DLLはVer 0.12です。\rVer0.13以前のQ_ARCH32.DLLでは解凍が正常に行\rわれない場合があります。\r現在のQ_ARCH32.DLLで解凍を行ないますか?|8497'
old_unlha='T|あなたがお使いのUNLHA32.DLLはVer 0.70です。\rVer0.71以前のUNLHA32.DLLでは解凍が正常に行\rわれない場合があります。\r現在のUNLHA32.DLLで解凍を行ないますか?|8497'
busy='T|UNLHA32.DLLがほかのアプリケーションで使\rわれています。処理が終了するまでお待ちく\rださい。|8240'

FAKE_QARCH_VERSION=12 ANSWERS=cancel run_unfold
expect_boxes "$old_arch" "T|Version Error|8208"
FAKE_UNLHA_VERSION=70 ANSWERS=cancel run_unfold
expect_boxes "$old_unlha" "T|Version Error|8208"
FAKE_UNLHA_VERSION=0 run_unfold
expect_boxes "$busy" "T|Version Error|8208"
settings_text | grep -q needMByte && fail "saved after a version error"
FAKE_QARCH_VERSION=12 FAKE_UNLHA_VERSION=70 ANSWERS=ok,ok run_unfold
expect_boxes "$old_arch" "$old_unlha" "T|解凍が終了しました。|8256"
FAKE_QARCH_VERSION=13 FAKE_UNLHA_VERSION=71 run_unfold
expect_boxes "T|解凍が終了しました。|8256"
echo PASS

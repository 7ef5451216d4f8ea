#!/usr/bin/env bash
# Runs one command with a Chinese input method, as a clerk's desktop has one:
# fcitx5 with pinyin, on a D-Bus session bus and with a configuration of its
# own, both gone when the command ends. Run it on a desktop (on-desktop.sh).
#   with-input-method.sh COMMAND [ARG...]
set -u

for tool in dbus-run-session fcitx5 gdbus; do
  if ! command -v "$tool" >/dev/null; then
    echo "with-input-method.sh: $tool is missing; run scripts/install-deps.sh" >&2
    exit 2
  fi
done
if [ ! -e /usr/lib/x86_64-linux-gnu/fcitx5/libpinyin.so ] && ! ls /usr/lib/*/fcitx5/libpinyin.so >/dev/null 2>&1; then
  echo "with-input-method.sh: fcitx5's pinyin is missing; run scripts/install-deps.sh" >&2
  exit 2
fi

# A session bus of its own first; then this script again inside it.
if [ -z "${CORVALE_IM_BUS:-}" ]; then
  export CORVALE_IM_BUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi

work=$(mktemp -d)
im_pid=
stop() {
  # Only the input method this script started is ever signalled.
  [ -n "$im_pid" ] && kill "$im_pid" 2>/dev/null && wait "$im_pid" 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT TERM

# The clerk's set-up: an English keyboard and pinyin, pinyin switched on
# with Ctrl+Space; no cloud, no learning, so the candidates are the same on
# every run.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
mkdir -p "$XDG_CONFIG_HOME/fcitx5/conf" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
cat >"$XDG_CONFIG_HOME/fcitx5/profile" <<'PROFILE'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=pinyin

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=pinyin
Layout=

[GroupOrder]
0=Default
PROFILE
cat >"$XDG_CONFIG_HOME/fcitx5/config" <<'CONFIG'
[Hotkey]
EnumerateWithTriggerKeys=True
[Hotkey/TriggerKeys]
0=Control+space
[Behavior]
ActiveByDefault=False
ShareInputState=No
PreeditEnabledByDefault=True
CONFIG
cat >"$XDG_CONFIG_HOME/fcitx5/conf/pinyin.conf" <<'PINYIN'
CloudPinyinEnabled=False
PredictionEnabled=False
PageSize=5
PINYIN

fcitx5 --disable=all --enable=dbus,dbusfrontend,xcb,keyboard,pinyin,punctuation,classicui \
  >"$work/fcitx5.log" 2>&1 &
im_pid=$!
# Ready once it owns its name on the bus: gdbus waits for that, no guessing.
if ! timeout 60 gdbus wait --session --timeout 60 org.fcitx.Fcitx5; then
  echo "with-input-method.sh: fcitx5 did not start:" >&2
  cat "$work/fcitx5.log" >&2
  exit 2
fi

export QT_IM_MODULE=fcitx
export XMODIFIERS=@im=fcitx
"$@"

#!/usr/bin/env bash
# Makes every Linux desktop open .dov documents: libdov and dovtool, the Qt
# image-format plug-in for each Qt version found, the gdk-pixbuf loader with
# its cache updated, the MIME type and the thumbnailer entry.
#
#   bash scripts/install-desktop.sh [--user|--system] [--remove]
#
# --system (the default as root): dovtool, libdov, the MIME type and the
#   thumbnailer under /usr/local (which sandboxed thumbnailers can reach),
#   the plug-ins in the folders Qt and gdk-pixbuf search.
# --user (the default otherwise): everything under ~/.local; the toolkits
#   have no folder of the user's own, so ~/.config/environment.d/ points
#   QT_PLUGIN_PATH and GDK_PIXBUF_MODULE_FILE at it from the next login.
# --remove takes away what the same mode installed.
# DOV_DESKTOP_BUILD names a build folder that holds the built pieces; DESTDIR
# stages a --system install below another root.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
mode="" remove=0
for arg in "$@"; do
  case $arg in
    --user) mode=user ;;
    --system) mode=system ;;
    --remove) remove=1 ;;
    -h | --help) sed -n '2,18p' "$0"; exit 0 ;;
    *) echo "install-desktop: unknown option $arg (see --help)" >&2; exit 2 ;;
  esac
done
[ -n "$mode" ] || { if [ "$(id -u)" -eq 0 ]; then mode=system; else mode=user; fi; }
root=${DESTDIR:-}
build=${DOV_DESKTOP_BUILD:-$here/build}
pixbuf_version=2.10.0

# ---- Where each piece goes -------------------------------------------------------
qt_plugin_dir() {  # the imageformats folder Qt MAJOR searches
  local major=$1 dir=""
  if [ "$mode" = user ]; then echo "$HOME/.local/lib/qt$major/plugins/imageformats"; return; fi
  for query in "qtpaths$major --plugin-dir" "qmake$major -query QT_INSTALL_PLUGINS"; do
    # shellcheck disable=SC2086
    dir=$($query 2>/dev/null || true)
    [ -n "$dir" ] && break
  done
  if [ -z "$dir" ]; then
    for d in /usr/lib/*/qt"$major"/plugins; do [ -d "$d" ] && dir=$d; done
  fi
  [ -n "$dir" ] && echo "$dir/imageformats"
}
pixbuf_system_dir() {
  pkg-config --variable=gdk_pixbuf_moduledir gdk-pixbuf-2.0 2>/dev/null ||
    ls -d /usr/lib/*/gdk-pixbuf-2.0/$pixbuf_version/loaders 2>/dev/null | head -1
}
pixbuf_query() {
  pkg-config --variable=gdk_pixbuf_query_loaders gdk-pixbuf-2.0 2>/dev/null ||
    ls /usr/lib/*/gdk-pixbuf-2.0/gdk-pixbuf-query-loaders 2>/dev/null | head -1
}
if [ "$mode" = system ]; then
  prefix=/usr/local
  loaders=$(pixbuf_system_dir || true)
  cache=${loaders%/loaders}/loaders.cache
  envfile=""
else
  prefix=$HOME/.local
  loaders=$prefix/lib/gdk-pixbuf-2.0/$pixbuf_version/loaders
  cache=$prefix/lib/gdk-pixbuf-2.0/$pixbuf_version/loaders.cache
  envfile=$HOME/.config/environment.d/60-dorvformat.conf
fi

# Writes gdk-pixbuf's cache: in --system mode the system's, over every loader
# there; in --user mode the user's own, over the system's loaders and ours.
update_pixbuf_cache() {
  local query
  query=$(pixbuf_query || true)
  [ -n "$query" ] && [ -x "$query" ] || { echo "note: gdk-pixbuf-query-loaders not found; cache not updated"; return; }
  if [ "$mode" = system ]; then
    local found=()
    shopt -s nullglob
    found=("$root$loaders"/*.so)
    shopt -u nullglob
    if ((${#found[@]} == 0)); then
      rm -f "$root$cache"
      return
    fi
    "$query" "${found[@]}" >"$root$cache.new" && mv "$root$cache.new" "$root$cache"
    # A staged cache names the staged folder; the real one names the loaders' own.
    [ -z "$root" ] || sed -i "s#\"$root/#\"/#" "$root$cache"
  else
    local system all=()
    system=$(pixbuf_system_dir || true)
    if [ ! -f "$loaders/libpixbufloader-dov.so" ]; then
      rm -f "$cache"
      return
    fi
    [ -n "$system" ] && all=("$system"/*.so)
    all+=("$loaders/libpixbufloader-dov.so")
    "$query" "${all[@]}" >"$cache.new" && mv "$cache.new" "$cache"
  fi
}

update_mime() {
  if command -v update-mime-database >/dev/null 2>&1; then
    update-mime-database "$root$prefix/share/mime" >/dev/null 2>&1 || true
  else
    echo "note: update-mime-database not found (Debian's shared-mime-info)"
  fi
}

# ---- Remove ------------------------------------------------------------------
if [ "$remove" = 1 ]; then
  rm -f "$root$prefix/lib/dorvformat/dovtool" "$root$prefix/lib/dorvformat/libdov.so.1" \
        "$root$prefix/share/thumbnailers/dovtool.thumbnailer" "$root$prefix/share/mime/packages/dorvstudio.xml"
  [ -L "$root$prefix/bin/dovtool" ] && rm -f "$root$prefix/bin/dovtool"
  rmdir "$root$prefix/lib/dorvformat" 2>/dev/null || true
  for major in 6 5; do
    dir=$(qt_plugin_dir "$major" || true)
    [ -n "$dir" ] && rm -f "$root$dir/libqdov.so"
  done
  if [ -n "$loaders" ]; then
    rm -f "$root$loaders/libpixbufloader-dov.so"
    update_pixbuf_cache
  fi
  [ -z "$envfile" ] || rm -f "$envfile"
  update_mime
  echo "install-desktop: removed ($mode)"
  exit 0
fi

# ---- Build what is missing ------------------------------------------------------
targets=()
[ -x "$build/bin/dovtool" ] || targets+=(dovtool)
[ -f "$build/gdk-pixbuf-loaders/libpixbufloader-dov.so" ] || targets+=(dorv_pixbuf_loader)
for major in 6 5; do
  [ -f "$build/qt$major-plugins/imageformats/libqdov.so" ] || targets+=("dorv_qt${major}_imageformat")
done
if ((${#targets[@]})); then
  [ -f "$build/CMakeCache.txt" ] || cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_BENCH=OFF >/dev/null
  for target in "${targets[@]}"; do
    # Plug-ins whose toolkit is missing are not targets; they are skipped.
    if cmake --build "$build" --target help | grep -q "\.\.\. $target\$"; then
      cmake --build "$build" -j2 --target "$target"
    fi
  done
fi

# ---- Install -------------------------------------------------------------------
# dovtool finds libdov in its own folder; the thumbnailer runs dovtool.
install -d "$root$prefix/lib/dorvformat" "$root$prefix/bin" "$root$prefix/share/thumbnailers" \
           "$root$prefix/share/mime/packages"
install -m 0755 "$build/bin/dovtool" "$root$prefix/lib/dorvformat/dovtool"
install -m 0644 "$build/bin/libdov.so.1" "$root$prefix/lib/dorvformat/libdov.so.1"
ln -sf "$prefix/lib/dorvformat/dovtool" "$root$prefix/bin/dovtool"
install -m 0644 "$here/tools/desktop/dovtool.thumbnailer" "$root$prefix/share/thumbnailers/dovtool.thumbnailer"
install -m 0644 "$here/tools/desktop/dorvstudio-mime.xml" "$root$prefix/share/mime/packages/dorvstudio.xml"
update_mime
echo "dovtool: $prefix/bin/dovtool (libdov beside it in $prefix/lib/dorvformat)"
echo "thumbnailer: $prefix/share/thumbnailers/dovtool.thumbnailer; MIME type image/x-dorvstudio (*.dov)"

# The plug-ins carry libdov inside: nothing else goes into the toolkits'
# folders, which would take any library there for a plug-in.
qt_paths=()
for major in 6 5; do
  plugin=$build/qt$major-plugins/imageformats/libqdov.so
  [ -f "$plugin" ] || continue
  dir=$(qt_plugin_dir "$major" || true)
  [ -n "$dir" ] || { echo "note: no Qt $major plug-in folder found; its plug-in is not installed"; continue; }
  install -d "$root$dir"
  install -m 0644 "$plugin" "$root$dir/libqdov.so"
  qt_paths+=("${dir%/imageformats}")
  echo "Qt $major: $dir/libqdov.so"
done
if [ -f "$build/gdk-pixbuf-loaders/libpixbufloader-dov.so" ] && [ -n "$loaders" ]; then
  install -d "$root$loaders"
  install -m 0644 "$build/gdk-pixbuf-loaders/libpixbufloader-dov.so" "$root$loaders/libpixbufloader-dov.so"
  update_pixbuf_cache
  echo "gdk-pixbuf: $loaders/libpixbufloader-dov.so (cache $cache)"
fi

if [ -n "$envfile" ]; then
  install -d "$(dirname "$envfile")"
  {
    echo "# Written by DorvFormat's install-desktop.sh: the desktop finds the .dov plug-ins."
    if ((${#qt_paths[@]})); then
      echo "QT_PLUGIN_PATH=$(IFS=:; echo "${qt_paths[*]}")\${QT_PLUGIN_PATH:+:\$QT_PLUGIN_PATH}"
    fi
    [ -f "$cache" ] && echo "GDK_PIXBUF_MODULE_FILE=$cache"
  } >"$envfile"
  echo "environment: $envfile (read at the next login)"
  case ":$PATH:" in *":$prefix/bin:"*) ;; *) echo "note: $prefix/bin is not on PATH; file managers need dovtool there" ;; esac
fi

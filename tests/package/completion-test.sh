#!/usr/bin/env bash
# Completes tarnel-convert command lines with the completion script $1 and checks the offers:
# option values, options, and file names filtered to what each place accepts.
set -u
source /usr/share/bash-completion/bash_completion || exit 1
source "$1" || exit 1
compopt() { :; }  # only works inside a completion that bash itself started
cd "$(mktemp -d)" || exit 1
trap 'rm -rf "$PWD"' EXIT
touch a.wav b.MP3 c.ogg d.wma e.qzconv f.txt g.flac
mkdir sub

failed=0
# expect "what is completed" "sorted offers, space separated"
expect() {
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$1 COMP_POINT=${#1}
    COMPREPLY=()
    _tarnel_convert tarnel-convert "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    if [[ $got != "$2" ]]; then
        echo "'$1': offered '$got', expected '$2'"
        failed=1
    fi
}

expect 'tarnel-convert --format ' 'mp3 ogg wav wma'
expect 'tarnel-convert --format=o' 'ogg'
expect 'tarnel-convert --naming ' 'date source'
expect 'tarnel-convert --sa' '--save-session='
expect 'tarnel-convert -' '--check-update --dump-settings --format= --help --jobs= --list --naming= --quiet --save-session= --session= --version -h -j -q'
expect 'tarnel-convert ' 'a.wav b.MP3 c.ogg d.wma sub'
expect 'tarnel-convert --session ' 'e.qzconv sub'
expect 'tarnel-convert -- ' 'a.wav b.MP3 c.ogg d.wma sub'
expect 'tarnel-convert -- -' ''
exit $failed

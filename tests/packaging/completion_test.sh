#!/usr/bin/env bash
# The bash completion of tavisk-reg and tavisk-shell, driven as bash drives it:
# COMP_WORDS, COMP_CWORD, COMP_LINE and COMP_POINT set as bash sets them for a
# command line, the completion function called, COMPREPLY compared with the
# answers expected from a store the test makes.
# Usage: completion_test.sh COMPLETION_DIR TAVISK_REG TAVISK_SHELL
set -u
completions=$1 reg=$2 shell=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export XDG_DATA_DIRS=$work/no-mime TAVISK_REGISTRY=$work/registry.db LC_ALL=C.UTF-8
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_DIRS" "$work/bin" "$work/files"

# The tools under their own names, found on PATH as a user's are.
ln -s "$reg" "$work/bin/tavisk-reg"
ln -s "$shell" "$work/bin/tavisk-shell"
PATH=$work/bin:$PATH

bash_completion=/usr/share/bash-completion/bash_completion
if [[ ! -r $bash_completion ]]; then
    echo "FAIL: $bash_completion is missing: install bash-completion (scripts/tavisk.sh packages)"
    exit 1
fi
# shellcheck source=/dev/null
source "$bash_completion"
# shellcheck source=/dev/null
source "$completions/tavisk-reg" && source "$completions/tavisk-shell" || exit 1

# Outside a real completion compopt refuses to run; here it notes its options.
compopt() { COMPOPT+="$*;"; }

failures=0

# check EXPECTED LINE: completes the last word of LINE and compares the sorted
# answers with EXPECTED, whose answers are separated by "|". LINE is split as
# bash splits it: at blanks that are not escaped, and around "=".
check() {
    local expected=$1 line=$2 word
    local -a words=()
    for word in ${line//\\ /$'\1'}; do
        word=${word//$'\1'/\\ }
        if [[ $word == --*=* ]]; then
            words+=("${word%%=*}" "=" "${word#*=}")
        else
            words+=("$word")
        fi
    done
    [[ $line == *" " ]] && words+=("")
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    COMPOPT=
    local function=_tavisk_reg
    [[ ${words[0]} == tavisk-shell ]] && function=_tavisk_shell
    "$function" "${words[0]}" "${words[COMP_CWORD]}" "${words[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd '|')
    if [[ $got != "$expected" ]]; then
        echo "FAIL: '$line'"
        echo "  expected: $expected"
        echo "  got:      $got"
        ((failures++))
    fi
}

# Before there is a store, key names complete to nothing, and no store is made.
check "" 'tavisk-reg query HKCR\text/'
[[ -e $TAVISK_REGISTRY ]] && {
    echo "FAIL: completing a key name created the store"
    ((failures++))
}

for key in 'HKCR\text/plain' 'HKCR\text/html' 'HKCR\text/x-csrc' 'HKCR\image/png' \
    'HKCR\text/plain\Shell' 'HKCU\Software\My Tools' "HKCU\\Software\\it's" \
    'HKCU\Software\Tavisk' 'HKLM\SOFTWARE\Quorvane'; do
    "$reg" add "$key" 2>/dev/null || {
        echo "FAIL: tavisk-reg add '$key'"
        exit 1
    }
done
"$reg" add 'HKCU\Software\Tavisk' --value Software --data 'HKCU\Software\Tavisk\not-a-key' ||
    exit 1
touch "$work/files/a.reg" "$work/files/b.txt"
mkdir "$work/files/mime"
cd "$work/files" || exit 1

# Commands and options.
check "add|check|delete|export|import|import-mime|query" 'tavisk-reg '
check "import|import-mime" 'tavisk-reg im'
check "--help|--version" 'tavisk-reg --'
check "--default|--help|--recursive|--value=" 'tavisk-reg query --'
check "--recursive" 'tavisk-reg delete --r'
check "--regedit4" 'tavisk-reg export HKCU out.reg --reg'
check "" 'tavisk-reg frobnicate --'
# Value types, in any case, after --type as a word of its own or with "=".
check "REG_MULTI_SZ" 'tavisk-reg add HKCU\X --type REG_M'
check "REG_DWORD" 'tavisk-reg add HKCU\X -t reg_d'
check "REG_BINARY" 'tavisk-reg add HKCU\X --type=REG_B'
check "" 'tavisk-reg add HKCU\X --data '
check "" 'tavisk-reg add HKCU\X --value '

# Root keys, then subkeys from the store; an unquoted word gets its backslashes
# escaped, a quoted one keeps them; the name completed takes the store's case,
# the rest stays as typed.
check "HKCR|HKCU" 'tavisk-reg query HKC'
check "HKEY_CLASSES_ROOT|HKEY_CURRENT_USER|HKEY_LOCAL_MACHINE" 'tavisk-reg query HKEY'
check 'HKCR\\image/png|HKCR\\text/html|HKCR\\text/plain|HKCR\\text/x-csrc' 'tavisk-reg query HKCR'
check 'HKCR\\text/html|HKCR\\text/plain|HKCR\\text/x-csrc' 'tavisk-reg query HKCR\text/'
check 'HKCR\\text/html|HKCR\\text/plain|HKCR\\text/x-csrc' 'tavisk-reg query HKCR\\text/'
check 'HKCR\text/plain' "tavisk-reg query 'HKCR\\text/p"
check 'hkcr\text/plain' 'tavisk-reg query "hkcr\TEXT/P'
check 'HKCR\\text/plain\\Shell' 'tavisk-reg add HKCR\text/plain\'
check 'HKCU\\Software\\My\ Tools' 'tavisk-reg delete HKCU\Software\M'
check "HKCU\\\\Software\\\\it\\'s" 'tavisk-reg delete HKCU\Software\i'
check 'HKCU\Software\My Tools|HKCU\Software\Tavisk' "tavisk-reg query 'HKCU\\Software\\"
check 'HKLM\\software\\Quorvane' 'tavisk-reg export HKLM\software\q'
check 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes|HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane' \
    'tavisk-reg query -r HKEY_LOCAL_MACHINE\SOFTWARE\'
check "" 'tavisk-reg query HKCR\nothing/'
check "" 'tavisk-reg query HKCU\Software\Tavisk\'
check "" 'tavisk-reg query HKEY_PERFORMANCE_DATA\'
# Only the command's KEY is a key name; FILE and DIR are files and folders.
check "" 'tavisk-reg query HKCU\Software\Tavisk '
check "a.reg" 'tavisk-reg export HKCU a'
check "" 'tavisk-reg export HKCU out.reg a'
check "a.reg" 'tavisk-reg import a'
check "mime" 'tavisk-reg import-mime '
check "mime" 'tavisk-reg import-mime /usr/share/mime m'

# A store the tools cannot read completes to nothing.
printf 'not a database' >"$work/broken.db"
TAVISK_REGISTRY=$work/broken.db check "" 'tavisk-reg query HKCR\'

check "check|clean|list|sync" 'tavisk-shell '
check "list" 'tavisk-shell l'
check "--help|--version" 'tavisk-shell --'
check "--help" 'tavisk-shell sync --'
check "" 'tavisk-shell sync '
check "" 'tavisk-shell sync --help '

if ((failures)); then
    echo "$failures completions differ"
    exit 1
fi
echo "every completion as expected"

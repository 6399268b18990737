# bash completion for marovi-convert and marovi-sheet, installed once under
# each name. Self-contained: it needs nothing of the bash-completion package.
#
# The options are those of the programs' --help, which tests/install checks.

_marovi_complete()
{
    local program=${1##*/}
    local cur=${COMP_WORDS[COMP_CWORD]} prev= option= prefix=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    # --option=value: bash splits it at "=" unless "=" is taken out of
    # COMP_WORDBREAKS; both ways end with the option and the value so far.
    if [[ $cur == = && $prev == --* ]]; then
        option=$prev cur=
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        option=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        option=${cur%%=*} prefix=${cur%%=*}= cur=${cur#*=}
    else
        option=$prev
    fi

    local options
    if [[ $program == marovi-sheet ]]; then
        options='-k --keyboard-dir --unit --paper --dpi -o --output -h --help --version'
    else
        options='-k --keyboard-dir -o --output -d --output-dir -f --force -v --verbose -j --jobs --utf8 --explain -r --recursive --update --index --watch --text --inkml --html5 --svg --pdf --paper --recognize --model -h --help --version'
    fi

    local kind=
    case $option in
    -k | --keyboard-dir) kind=folder ;;
    -d | --output-dir) [[ $program != marovi-sheet ]] && kind=folder ;;
    -o | --output) kind=file ;;
    --pdf | --model) [[ $program != marovi-sheet ]] && kind=file ;;
    --paper) kind=paper ;;
    --unit | --dpi) [[ $program == marovi-sheet ]] && kind=number ;;
    -j | --jobs) [[ $program != marovi-sheet ]] && kind=number ;;
    esac
    # A value for an option that takes none is no value to offer.
    [[ -z $kind && $option != "$prev" ]] && return 0

    local -a found=()
    case $kind in
    folder) mapfile -t found < <(compgen -d -- "$cur") ;;
    file) mapfile -t found < <(compgen -f -- "$cur") ;;
    paper)
        local papers='A4 A5 A4-landscape A5-landscape'
        [[ $program == marovi-sheet ]] && papers+=' auto'
        mapfile -t found < <(compgen -W "$papers" -- "$cur")
        COMPREPLY=("${found[@]/#/$prefix}")
        return 0
        ;;
    number) return 0 ;;
    *)
        local word ended=
        for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
            [[ $word == -- ]] && ended=1
        done
        if [[ -z $ended && ($cur == -* || $program == marovi-sheet) ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
            return 0
        fi
        # marovi-sheet takes no operands; marovi-convert takes ink files, and
        # the folders that may hold them.
        [[ $program == marovi-sheet ]] && return 0
        mapfile -t found < <(compgen -f -X '!*.[iI][nN][kK]' -- "$cur"; compgen -d -- "$cur")
        ;;
    esac
    # Names as file names: quoted where they must be, "/" after a folder.
    compopt -o filenames 2>/dev/null
    COMPREPLY=("${found[@]/#/$prefix}")
    return 0
}
complete -F _marovi_complete marovi-convert marovi-sheet

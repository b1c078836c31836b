! Summary statistics of a sample: mean, sample standard deviation,
! minimum, maximum and median. The squared deviations are summed as the
! mean is updated (Welford), in double precision, so that large values
! close together keep their differences.
module stats
  implicit none
  private
  public :: summary, summarise, median

  integer, parameter, public :: dp = kind(1.0d0)

  type, public :: summary
    integer :: count = 0
    real(dp) :: mean = 0, deviation = 0, minimum = 0, maximum = 0
  end type summary

contains

  ! The summary of values(:); a count of 0 when there are none.
  function summarise(values) result(s)
    real(dp), intent(in) :: values(:)
    type(summary) :: s
    real(dp) :: delta, squares
    integer :: i

    s%count = size(values)
    if (s%count == 0) return
    squares = 0
    s%minimum = values(1)
    s%maximum = values(1)
    do i = 1, s%count
      delta = values(i) - s%mean
      s%mean = s%mean + delta / i
      squares = squares + delta * (values(i) - s%mean)
      s%minimum = min(s%minimum, values(i))
      s%maximum = max(s%maximum, values(i))
    end do
    if (s%count > 1) s%deviation = sqrt(squares / (s%count - 1))
  end function summarise

  ! The median of values(:), which are left unchanged; 0 for none.
  function median(values) result(m)
    real(dp), intent(in) :: values(:)
    real(dp) :: m
    real(dp) :: sorted(size(values)), key
    integer :: i, j, n

    n = size(values)
    m = 0
    if (n == 0) return
    sorted = values
    ! Insertion sort: samples here are small.
    do i = 2, n
      key = sorted(i)
      j = i - 1
      do while (j >= 1)
        if (sorted(j) <= key) exit
        sorted(j + 1) = sorted(j)
        j = j - 1
      end do
      sorted(j + 1) = key
    end do
    if (mod(n, 2) == 1) then
      m = sorted((n + 1) / 2)
    else
      m = (sorted(n / 2) + sorted(n / 2 + 1)) / 2
    end if
  end function median

end module stats
